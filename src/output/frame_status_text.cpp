#include "output/frame_status_text.h"

#include "output/overlay_palette.h"

namespace lumenor {

FrameStatusText frameStatusText(int dropped, bool steady) {
    if (dropped > 0) {
        const QString frames = dropped == 1 ? QStringLiteral("frame") : QStringLiteral("frames");
        return {QStringLiteral("%1 %2 dropped (computer side)").arg(dropped).arg(frames),
                palette::amber()};
    }
    return {QStringLiteral("output steady \u00B7 0 dropped"),
            steady ? palette::slate() : palette::amber()};
}

FrameStatusText frameTimingUnavailableText() {
    return {QStringLiteral("refresh timing is not available on this desktop"), palette::slate()};
}

QString frameStatusPlaceholder() {
    return QStringLiteral("measuring cadence\u2026");
}

}  // namespace lumenor
