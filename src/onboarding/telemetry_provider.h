#pragma once

#include <QString>

namespace lumenor {

// What receives telemetry while the user allows it.
class TelemetryProvider {
  public:
    virtual ~TelemetryProvider() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual void record(const QString& event) = 0;
};

// The provider the application installs: nothing is collected or sent.
class NoopTelemetryProvider final : public TelemetryProvider {
  public:
    void start() override {}
    void stop() override {}
    void record(const QString&) override {}
};

}  // namespace lumenor
