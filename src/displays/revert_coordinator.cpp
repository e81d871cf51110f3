#include "displays/revert_coordinator.h"

#include <QTimer>

#include "core/log.h"
#include "displays/display_modes.h"

namespace lumenor {

RevertCoordinator::RevertCoordinator(ModePlatform& platform) : platform_(platform) {}

RevertCoordinator::~RevertCoordinator() = default;

void RevertCoordinator::begin(const ModeInfo& target, const std::optional<ModeInfo>& snapshot,
                              DisplayId displayID, int seconds) {
    refused_ = true;
    // Where modes cannot change, a trial would report a mode the display does not show.
    if (const std::optional<QString> refusal = platform_.modeChangeRefusal()) {
        qCInfo(logDisplay, "%s", qUtf8Printable(*refusal));
        resolve(false);
        return;
    }
    // Set before the apply, so that a failed apply can revert.
    snapshot_ = snapshot;
    pending_ = target;
    displayID_ = displayID;
    secondsLeft_ = seconds;

    if (!applyDisplayMode(platform_, displayID, target, ConfigureScope::forAppOnly)) {
        qCCritical(logDisplay, "mode apply failed on display %u", displayID);
        // Whatever part of the change did happen goes back.
        revertNow();
        return;
    }
    refused_ = false;
    qCInfo(logDisplay, "applied %s on display %u; reverting in %lds unless kept",
           target.label().c_str(), displayID, static_cast<long>(seconds));
    stopTimer();
    if (onCountdown) {
        onCountdown(secondsLeft_);
    }
    // The timer belongs to this object, so its callback never outlives it.
    timer_ = std::make_unique<QTimer>();
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setInterval(1000);
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { tick(); });
    timer_->start();
}

void RevertCoordinator::tick() {
    --secondsLeft_;
    if (onCountdown) {
        onCountdown(secondsLeft_);
    }
    if (secondsLeft_ < 1) {
        revertNow();
    }
}

void RevertCoordinator::revertNow() {
    displayGone_ = false;
    if (snapshot_ && displayID_) {
        if (applyDisplayMode(platform_, *displayID_, *snapshot_, ConfigureScope::forAppOnly)) {
            qCInfo(logDisplay, "reverted display %u to %s", *displayID_,
                   snapshot_->label().c_str());
        } else if (!platform_.currentMode(*displayID_)) {
            displayGone_ = true;
            qCInfo(logDisplay, "display %u went away during its trial: no mode to put back",
                   *displayID_);
        } else {
            qCCritical(logDisplay, "could not put display %u back to %s", *displayID_,
                       snapshot_->label().c_str());
        }
    }
    resolve(false);
}

void RevertCoordinator::keep() {
    displayGone_ = false;
    if (pending_ && displayID_) {
        applyDisplayMode(platform_, *displayID_, *pending_, ConfigureScope::permanently);
        qCInfo(logDisplay, "kept %s on display %u", pending_->label().c_str(), *displayID_);
    }
    resolve(true);
}

void RevertCoordinator::stopTimer() {
    // Stopped and handed to the event loop rather than destroyed here: this may run inside the
    // timer's own timeout.
    if (timer_) {
        timer_->stop();
        timer_.release()->deleteLater();
    }
}

void RevertCoordinator::resolve(bool kept) {
    stopTimer();
    pending_.reset();
    snapshot_.reset();
    displayID_.reset();
    if (onResolved) {
        onResolved(kept);
    }
}

}  // namespace lumenor
