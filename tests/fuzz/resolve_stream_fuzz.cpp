// Feeds raw bytes to the calibration stream reader as if a calibration program had sent
// them, in pieces whose size the first byte chooses, and reads every message it cuts out.
#include <QByteArray>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "calibration/resolve_frame_reader.h"
#include "calibration/resolve_message.h"
#include "calibration/web_display_message.h"

namespace {

void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "calibration stream invariant broken: %s\n", what);
        std::abort();
    }
}

bool inRange(const lumenor::DeviceRgb& c) {
    return c.r >= 0 && c.r <= 255 && c.g >= 0 && c.g <= 255 && c.b >= 0 && c.b <= 255;
}

std::vector<lumenor::ResolveFrameReader::Event> read(const QByteArray& bytes, qsizetype piece) {
    lumenor::ResolveFrameReader reader;
    std::vector<lumenor::ResolveFrameReader::Event> events;
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        for (auto& e : reader.feed(bytes.mid(at, piece))) {
            events.push_back(std::move(e));
        }
    }
    return events;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const qsizetype piece = data[0] % 16 + 1;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1),
                           static_cast<qsizetype>(size - 1));
    const auto whole = read(bytes, bytes.size() + 1);
    const auto pieces = read(bytes, piece);
    require(whole.size() == pieces.size(), "pieces cut other messages than the whole");
    for (std::size_t i = 0; i < whole.size(); ++i) {
        require(whole[i].kind == pieces[i].kind && whole[i].body == pieces[i].body,
                "pieces cut other messages than the whole");
        require(whole[i].body.size() <= lumenor::ResolveFrameReader::kMaxLength,
                "message over the limit");
    }
    // Messages are read whether or not they came in a frame, so the fuzzer reaches the XML.
    std::vector<QByteArray> messages{bytes};
    for (const auto& e : whole) {
        messages.push_back(e.body);
    }
    for (const QByteArray& m : messages) {
        const lumenor::ResolveParse parsed = lumenor::parseResolveMessage(m);
        require(parsed.request.has_value() == parsed.error.isEmpty(), "neither request nor error");
        if (!parsed.request) {
            continue;
        }
        require(inRange(parsed.request->colour) && inRange(parsed.request->background),
                "colour out of range");
        if (parsed.request->geometry) {
            const std::optional<QRectF> place =
                lumenor::resolveGeometry(*parsed.request->geometry, QSize(1920, 1080));
            require(
                !place || (place->left() >= 0.0 && place->top() >= 0.0 && place->right() <= 1.0 &&
                           place->bottom() <= 1.0 && place->width() > 0.0 && place->height() > 0.0),
                "patch off the display");
        }
    }
    const std::optional<lumenor::DeviceRgb> colour = lumenor::parseWebDisplayColour(bytes);
    require(!colour || inRange(*colour), "web colour out of range");
    return 0;
}
