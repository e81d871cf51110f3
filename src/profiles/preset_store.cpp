#include "profiles/preset_store.h"

#include <algorithm>

#include "core/log.h"
#include "core/user_settings.h"
#include "profiles/profile_json.h"
#include "profiles/profile_order.h"

namespace lumenor {

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
    // One sync writes the copy and the new list together, atomically, or neither.
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

bool PresetStore::save(const Profile& profile) {
    const Stored before = read();
    std::vector<Profile> profiles;
    std::copy_if(before.profiles.begin(), before.profiles.end(), std::back_inserter(profiles),
                 [&](const Profile& p) { return p.name != profile.name; });
    profiles.push_back(profile);
    sortProfiles(profiles);
    return write(profiles, before);
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
    const Stored before = read();
    std::vector<Profile> profiles;
    std::copy_if(before.profiles.begin(), before.profiles.end(), std::back_inserter(profiles),
                 [&](const Profile& p) { return p.name != name; });
    return write(profiles, before);
}

}  // namespace lumenor
