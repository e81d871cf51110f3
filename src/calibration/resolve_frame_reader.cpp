#include "calibration/resolve_frame_reader.h"

namespace lumenor {

std::vector<ResolveFrameReader::Event> ResolveFrameReader::feed(QByteArrayView bytes) {
    std::vector<Event> events;
    if (finished_) {
        return events;
    }
    buffer_.append(bytes);
    qsizetype at = 0;
    while (buffer_.size() - at >= 4) {
        const auto* p = reinterpret_cast<const unsigned char*>(buffer_.constData() + at);
        const auto length =
            static_cast<std::int32_t>((std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                                      (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]});
        if (length <= 0 || length > kMaxLength) {
            events.push_back({length <= 0 ? Event::Kind::end : Event::Kind::oversized, {}, length});
            finished_ = true;
            buffer_.clear();
            return events;
        }
        if (buffer_.size() - at - 4 < length) {
            break;
        }
        events.push_back({Event::Kind::message, buffer_.mid(at + 4, length), length});
        at += 4 + length;
    }
    buffer_.remove(0, at);
    return events;
}

}  // namespace lumenor
