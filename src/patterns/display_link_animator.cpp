#include "patterns/display_link_animator.h"

#include <QMetaObject>

namespace lumenor {

DisplayLinkAnimator::DisplayLinkAnimator(RefreshLinkFactory& links) : links_(links) {}

DisplayLinkAnimator::~DisplayLinkAnimator() {
    stop();
}

void DisplayLinkAnimator::start(std::optional<DisplayId> display) {
    if (link_ && currentDisplay_ == display) {
        return;
    }
    stop();
    // Every refresh posts its own tick: a main thread that falls behind runs them all.
    link_ = links_.create(display, [this](const RefreshStamp& stamp) {
        QMetaObject::invokeMethod(
            &context_,
            [this, stamp] {
                lastStamp_ = stamp;
                if (onTick) {
                    onTick();
                }
            },
            Qt::QueuedConnection);
    });
    if (link_) {
        currentDisplay_ = display;
    }
}

void DisplayLinkAnimator::stop() {
    link_.reset();
    currentDisplay_.reset();
    lastStamp_.reset();
}

}  // namespace lumenor
