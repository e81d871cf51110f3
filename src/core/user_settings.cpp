#include "core/user_settings.h"

#include "core/app_id.h"

namespace lumenor {

std::unique_ptr<QSettings> openUserSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QString::fromLatin1(kAppId), QString::fromLatin1(kAppName));
}

}  // namespace lumenor
