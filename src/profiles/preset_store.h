#pragma once

#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "profiles/profile.h"

namespace lumenor {

// All saved profiles, kept as one JSON array (bytes) under "profiles" in the user's
// settings, sorted by lower-cased name. Every call reads the settings afresh; nothing is
// cached. A stored value that cannot be read is never overwritten unseen: before the first
// write over it, it is copied under "profiles.unreadable" (or ".2", ".3", ... when that key
// already holds another value) and the copy is logged.
class PresetStore {
  public:
    static constexpr const char* kKey = "profiles";
    static constexpr const char* kUnreadableKey = "profiles.unreadable";

    // The user's settings (openUserSettings()).
    PresetStore();
    explicit PresetStore(std::unique_ptr<QSettings> settings);
    ~PresetStore();
    PresetStore(const PresetStore&) = delete;
    PresetStore& operator=(const PresetStore&) = delete;

    // In stored order; empty when nothing, or nothing readable, is stored.
    std::vector<Profile> allProfiles() const;
    QStringList names() const;

    // Replaces every profile of exactly this name and keeps the list sorted. False when
    // nothing was written (the profile cannot be encoded, or the settings cannot be saved).
    bool save(const Profile& profile);

    // The first profile with exactly this name.
    std::optional<Profile> load(const QString& name) const;

    // Removes every profile of exactly this name; the list is written back even when none
    // was there. False when nothing was written.
    bool remove(const QString& name);

  private:
    struct Stored {
        std::vector<Profile> profiles;
        QVariant unreadable;  // the stored value when it exists but cannot be decoded
    };
    // Reads, edits and writes the list under a lock held across processes.
    bool change(const std::function<void(std::vector<Profile>&)>& edit);
    Stored read() const;
    bool write(const std::vector<Profile>& profiles, const Stored& before);
    void keepUnreadable(const QVariant& value);

    std::unique_ptr<QSettings> settings_;
};

}  // namespace lumenor
