#pragma once

#include <optional>

#include "onboarding/record_file.h"
#include "onboarding/support_folder.h"
#include "onboarding/telemetry_settings.h"

namespace lumenor {

// Where the telemetry choice is kept.
class TelemetryStore {
  public:
    virtual ~TelemetryStore() = default;
    virtual std::optional<TelemetrySettings> load() const = 0;
    // Replaces what was stored; false when nothing was written (callers may ignore it).
    virtual bool save(const TelemetrySettings& settings) = 0;
};

// "telemetry.json" in a folder, created with its parents when the store is.
class FileTelemetryStore final : public TelemetryStore {
  public:
    explicit FileTelemetryStore(const QString& directory,
                                const QString& fileName = QLatin1String(kTelemetryFileName))
        : file_(directory, fileName) {}
    const QString& filePath() const { return file_.path(); }
    std::optional<TelemetrySettings> load() const override { return file_.load(); }
    bool save(const TelemetrySettings& settings) override { return file_.save(settings); }

  private:
    RecordFile<TelemetrySettings> file_;
};

// For where no file is wanted.
class InMemoryTelemetryStore final : public TelemetryStore {
  public:
    std::optional<TelemetrySettings> settings;

    std::optional<TelemetrySettings> load() const override { return settings; }
    bool save(const TelemetrySettings& s) override {
        settings = s;
        return true;
    }
};

}  // namespace lumenor
