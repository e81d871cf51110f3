#include "onboarding/telemetry_controller.h"

namespace lumenor {

TelemetryController::TelemetryController(std::unique_ptr<TelemetryStore> store,
                                         std::unique_ptr<TelemetryProvider> provider)
    : store_(std::move(store)), provider_(std::move(provider)) {}

bool TelemetryController::isEnabled() const {
    const std::optional<TelemetrySettings> stored = store_->load();
    return stored && stored->enabled;
}

void TelemetryController::startIfEnabled() {
    if (isEnabled() && !started_) {
        started_ = true;
        provider_->start();
    }
}

void TelemetryController::setEnabled(bool value) {
    store_->save(TelemetrySettings{value});
    if (value == started_) {
        return;
    }
    started_ = value;
    if (value) {
        provider_->start();
    } else {
        provider_->stop();
    }
}

void TelemetryController::record(const QString& event) {
    if (isEnabled()) {
        provider_->record(event);
    }
}

}  // namespace lumenor
