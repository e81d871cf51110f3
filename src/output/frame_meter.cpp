#include "output/frame_meter.h"

#include <QMetaObject>

namespace lumenor {

FrameMeter::FrameMeter(RefreshLinkFactory& links) : links_(links) {}

FrameMeter::~FrameMeter() {
    link_.reset();
}

void FrameMeter::start(DisplayId display) {
    stop();
    link_ = links_.create(display, [this](const RefreshStamp& stamp) {
        const std::optional<FrameReport> report =
            cadence_.step(stamp.videoTime, stamp.timeScale, stamp.refreshPeriod);
        if (!report) {
            return;
        }
        QMetaObject::invokeMethod(
            &context_,
            [this, r = *report] {
                if (onUpdate) {
                    onUpdate(r.hz, r.dropped, r.steady);
                }
            },
            Qt::QueuedConnection);
    });
    if (link_ && !link_->followsDisplayClock()) {
        stop();
        if (onTimingUnavailable) {
            onTimingUnavailable();
        }
    }
}

void FrameMeter::stop() {
    // The link's thread is gone once the link is, so the counters are ours again.
    link_.reset();
    cadence_.reset();
}

}  // namespace lumenor
