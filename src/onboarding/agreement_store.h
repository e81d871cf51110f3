#pragma once

#include <optional>

#include "onboarding/acceptance.h"
#include "onboarding/record_file.h"
#include "onboarding/support_folder.h"

namespace lumenor {

// Where the acceptance of the licence agreement is kept.
class AgreementStore {
  public:
    virtual ~AgreementStore() = default;
    virtual std::optional<Acceptance> load() const = 0;
    // Replaces what was stored; false when nothing was written (callers may ignore it).
    virtual bool save(const Acceptance& acceptance) = 0;
};

// "agreement.json" in a folder, created with its parents when the store is.
class FileAgreementStore final : public AgreementStore {
  public:
    explicit FileAgreementStore(const QString& directory,
                                const QString& fileName = QLatin1String(kAgreementFileName))
        : file_(directory, fileName) {}
    const QString& filePath() const { return file_.path(); }
    std::optional<Acceptance> load() const override { return file_.load(); }
    bool save(const Acceptance& acceptance) override { return file_.save(acceptance); }

  private:
    RecordFile<Acceptance> file_;
};

// For where no file is wanted.
class InMemoryAgreementStore final : public AgreementStore {
  public:
    std::optional<Acceptance> acceptance;

    std::optional<Acceptance> load() const override { return acceptance; }
    bool save(const Acceptance& a) override {
        acceptance = a;
        return true;
    }
};

}  // namespace lumenor
