#include "profiles/preset_store.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>

#include "core/log.h"
#include "core/user_settings.h"
#include "profiles/profile_json.h"
#include "profiles/profile_order.h"

namespace lumenor {
namespace {

// A change reads the whole list and writes it back, so two savers at once, in this process
// or another, would lose one side's change: each holds this lock from its read to its write.
// It is not the settings file's own lock, which QSettings takes inside every sync.
constexpr int kLockWaitMs = 10000;

}  // namespace

PresetStore::PresetStore() : PresetStore(openUserSettings()) {}

PresetStore::PresetStore(std::unique_ptr<QSettings> settings) : settings_(std::move(settings)) {}

PresetStore::~PresetStore() = default;

PresetStore::Stored PresetStore::read() const {
    settings_->sync();
    Stored stored;
    const QVariant value = settings_->value(QLatin1String(kKey));
    if (!value.isValid()) {
        return stored;
    }
    std::optional<std::vector<Profile>> decoded;
    if (value.typeId() == QMetaType::QByteArray) {
        decoded = decodeProfiles(value.toByteArray());
    }
    if (decoded) {
        stored.profiles = std::move(*decoded);
    } else {
        stored.unreadable = value;
    }
    return stored;
}

void PresetStore::keepUnreadable(const QVariant& value) {
    for (int n = 1;; ++n) {
        const QString key = n == 1
                                ? QLatin1String(kUnreadableKey)
                                : QStringLiteral("%1.%2").arg(QLatin1String(kUnreadableKey)).arg(n);
        if (!settings_->contains(key)) {
            settings_->setValue(key, value);
            qCCritical(logApp).noquote()
                << "The stored profiles could not be read; the unreadable value is kept under"
                << key << "before the profiles are written again";
            return;
        }
        if (settings_->value(key) == value) {
            return;
        }
    }
}

bool PresetStore::write(const std::vector<Profile>& profiles, const Stored& before) {
    const std::optional<QByteArray> bytes = encodeProfiles(profiles);
    if (!bytes) {
        return false;
    }
    if (before.unreadable.isValid()) {
        keepUnreadable(before.unreadable);
    }
    // One sync writes the copy and the new list together, atomically (QSettings writes a new
    // file and renames it over the old one), or neither.
    settings_->setValue(QLatin1String(kKey), *bytes);
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

std::vector<Profile> PresetStore::allProfiles() const {
    return read().profiles;
}

QStringList PresetStore::names() const {
    QStringList list;
    for (const Profile& p : allProfiles()) {
        list.push_back(p.name);
    }
    return list;
}

bool PresetStore::change(const std::function<void(std::vector<Profile>&)>& edit) {
    const QString file = settings_->fileName();
    QDir().mkpath(QFileInfo(file).absolutePath());  // the first save makes the folder
    QLockFile lock(file + QStringLiteral(".profiles-lock"));
    if (!lock.tryLock(kLockWaitMs)) {
        qCWarning(logApp,
                  "the profiles could not be locked for a change (error %d); nothing was "
                  "saved",
                  static_cast<int>(lock.error()));
        return false;
    }
    const Stored before = read();
    std::vector<Profile> profiles = before.profiles;
    edit(profiles);
    return write(profiles, before);
}

bool PresetStore::save(const Profile& profile) {
    return change([&](std::vector<Profile>& profiles) {
        std::erase_if(profiles, [&](const Profile& p) { return p.name == profile.name; });
        profiles.push_back(profile);
        sortProfiles(profiles);
    });
}

std::optional<Profile> PresetStore::load(const QString& name) const {
    const std::vector<Profile> profiles = allProfiles();
    const auto it = std::find_if(profiles.begin(), profiles.end(),
                                 [&](const Profile& p) { return p.name == name; });
    if (it == profiles.end()) {
        return std::nullopt;
    }
    return *it;
}

bool PresetStore::remove(const QString& name) {
    return change([&](std::vector<Profile>& profiles) {
        std::erase_if(profiles, [&](const Profile& p) { return p.name == name; });
    });
}

}  // namespace lumenor
