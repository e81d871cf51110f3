#include "displays/edid.h"

#include <array>

namespace lumenor {

namespace {

constexpr int kBlockSize = 128;
constexpr std::array<int, 4> kDescriptorOffsets = {54, 72, 90, 108};
constexpr unsigned char kMonitorNameTag = 0xFC;

bool hasHeader(const QByteArray& edid) {
    static constexpr std::array<unsigned char, 8> header = {0x00, 0xFF, 0xFF, 0xFF,
                                                            0xFF, 0xFF, 0xFF, 0x00};
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (static_cast<unsigned char>(edid[static_cast<int>(i)]) != header[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<QString> edidMonitorName(const QByteArray& edid) {
    if (edid.size() < kBlockSize || !hasHeader(edid)) {
        return std::nullopt;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(edid.constData());
    for (const int off : kDescriptorOffsets) {
        const unsigned char* d = bytes + off;
        // A display descriptor starts with a zero pixel clock.
        if (d[0] != 0 || d[1] != 0 || d[2] != 0 || d[3] != kMonitorNameTag) {
            continue;
        }
        QByteArray text;
        for (int i = 5; i < 18 && d[i] != 0x0A; ++i) {
            text.append(static_cast<char>(d[i]));
        }
        const QString name = QString::fromLatin1(text).trimmed();
        if (!name.isEmpty()) {
            return name;
        }
    }
    return std::nullopt;
}

bool isBuiltinConnector(const QString& connector) {
    return connector.startsWith(QLatin1String("eDP"), Qt::CaseInsensitive) ||
           connector.startsWith(QLatin1String("LVDS"), Qt::CaseInsensitive) ||
           connector.startsWith(QLatin1String("DSI"), Qt::CaseInsensitive);
}

QString screenNameForOutput(const QString& connector, const QByteArray& edid) {
    if (const std::optional<QString> name = edidMonitorName(edid)) {
        return *name;
    }
    if (isBuiltinConnector(connector)) {
        return QStringLiteral("Built-in Display");
    }
    return connector;
}

}  // namespace lumenor
