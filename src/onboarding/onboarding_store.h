#pragma once

#include <optional>

#include "onboarding/onboarding_record.h"
#include "onboarding/record_file.h"
#include "onboarding/support_folder.h"

namespace lumenor {

// Where the guided tour's record is kept.
class OnboardingStore {
  public:
    virtual ~OnboardingStore() = default;
    virtual std::optional<OnboardingRecord> load() const = 0;
    // Replaces what was stored; false when nothing was written (callers may ignore it).
    virtual bool save(const OnboardingRecord& record) = 0;
    // Forgets the record: load() gives none afterwards.
    virtual void clear() = 0;
};

// "onboarding.json" in a folder, created with its parents when the store is.
class FileOnboardingStore final : public OnboardingStore {
  public:
    explicit FileOnboardingStore(const QString& directory,
                                 const QString& fileName = QLatin1String(kOnboardingFileName))
        : file_(directory, fileName) {}
    const QString& filePath() const { return file_.path(); }
    std::optional<OnboardingRecord> load() const override { return file_.load(); }
    bool save(const OnboardingRecord& record) override { return file_.save(record); }
    // A file that cannot be removed, or is not there, is no failure worth reporting.
    void clear() override { file_.remove(); }

  private:
    RecordFile<OnboardingRecord> file_;
};

// For where no file is wanted.
class InMemoryOnboardingStore final : public OnboardingStore {
  public:
    std::optional<OnboardingRecord> record;

    std::optional<OnboardingRecord> load() const override { return record; }
    bool save(const OnboardingRecord& r) override {
        record = r;
        return true;
    }
    void clear() override { record.reset(); }
};

}  // namespace lumenor
