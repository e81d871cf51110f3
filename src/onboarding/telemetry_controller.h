#pragma once

#include <QString>

#include <memory>

#include "onboarding/telemetry_provider.h"
#include "onboarding/telemetry_store.h"

namespace lumenor {

// Routes start, stop and events to the provider only while the stored choice allows it.
class TelemetryController {
  public:
    TelemetryController(std::unique_ptr<TelemetryStore> store,
                        std::unique_ptr<TelemetryProvider> provider);

    // The stored choice; false when nothing readable is stored.
    bool isEnabled() const;
    // Whether the provider has been started and not stopped since.
    bool started() const { return started_; }

    // Starts the provider when the stored choice is on and it is not started yet.
    void startIfEnabled();
    // Saves the choice (always), then starts or stops the provider when `value` differs
    // from `started`. A failed save is not reported; `started` still follows `value`.
    void setEnabled(bool value);
    // Hands the event to the provider when the stored choice, read afresh, is on.
    void record(const QString& event);

    TelemetryStore& store() { return *store_; }
    TelemetryProvider& provider() { return *provider_; }

  private:
    std::unique_ptr<TelemetryStore> store_;
    std::unique_ptr<TelemetryProvider> provider_;
    bool started_ = false;
};

}  // namespace lumenor
