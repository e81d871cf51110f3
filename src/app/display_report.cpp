#include "app/display_report.h"

#include <QStringList>

#include <algorithm>

#include "output/pixel_exactness.h"

namespace lumenor {

namespace {

const QString kTimes = QStringLiteral("\u00d7");

QString currentLine(const ModeInfo& m) {
    QString line =
        QStringLiteral("  current: %1%2%3 px  (%4%5%6 pt, %7)")
            .arg(m.pixelWidth)
            .arg(kTimes)
            .arg(m.pixelHeight)
            .arg(m.pointWidth)
            .arg(kTimes)
            .arg(m.pointHeight)
            .arg(m.pointWidth == m.pixelWidth ? QStringLiteral("1:1") : QStringLiteral("scaled"));
    if (m.refreshHz > 0) {
        line += QString::asprintf(" @ %.2f Hz", m.refreshHz);
    }
    return line;
}

}  // namespace

QString waylandDesktopNote() {
    return QStringLiteral(
        "This is a Wayland session, seen through Xwayland: patterns are exact only where the "
        "desktop does not scale the display.");
}

QString nativeWaylandNote() {
    return QStringLiteral(
        "This is GNOME's Wayland session: Lumenor runs on it natively and takes the displays and "
        "their modes from the compositor.");
}

QString buildReport(const std::vector<DisplayInfo>& displays,
                    const std::function<std::vector<ModeInfo>(DisplayId)>& modesForDisplay,
                    bool throughXwayland, bool nativeWayland) {
    QStringList lines{QStringLiteral("LUMENOR \u2014 Display report"), QString()};
    if (throughXwayland) {
        lines << waylandDesktopNote() << QString();
    } else if (nativeWayland) {
        lines << nativeWaylandNote() << QString();
    }
    for (const DisplayInfo& d : displays) {
        const ModeInfo& m = d.currentMode;
        lines << QStringLiteral("\u2022 %1 [%2]")
                     .arg(d.name,
                          d.isBuiltin ? QStringLiteral("built-in") : QStringLiteral("external"));
        // What the commands take to name the display: its number, or where it is plugged in.
        lines << (d.connector.isEmpty() ? QStringLiteral("  number:  %1").arg(d.id)
                                        : QStringLiteral("  number:  %1 on %2")
                                              .arg(QString::number(d.id), d.connector));
        lines << currentLine(m);
        lines << QStringLiteral("  depth:   %1 bits a channel").arg(d.bitsPerChannel);
        if (const std::optional<QString> note = notOneToOne(
                QSize(static_cast<int>(m.pixelWidth), static_cast<int>(m.pixelHeight)),
                QSize(static_cast<int>(m.pointWidth), static_cast<int>(m.pointHeight)))) {
            lines << QStringLiteral("  pixels:  ") + *note;
        }
        if (!d.isBuiltin && modesForDisplay) {
            const std::vector<ModeInfo> modes = modesForDisplay(d.id);
            const auto native = std::find_if(modes.begin(), modes.end(),
                                             [](const ModeInfo& x) { return x.isNative; });
            if (native != modes.end()) {
                lines << QStringLiteral("  native:  %1%2%3 px")
                             .arg(native->pixelWidth)
                             .arg(kTimes)
                             .arg(native->pixelHeight);
            }
        }
        if (d.physicalSizeMM.width > 0) {
            const double dpi = static_cast<double>(m.pixelWidth) / (d.physicalSizeMM.width / 25.4);
            lines << QStringLiteral("  dpi:     ~%1").arg(static_cast<long long>(dpi));
        }
        lines << QString();
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace lumenor
