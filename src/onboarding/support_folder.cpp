#include "onboarding/support_folder.h"

#include <QDir>
#include <QStandardPaths>

#include "core/app_id.h"

namespace lumenor {

QString supportFolder() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty()) {
        base = QDir::tempPath();
    }
    return base + QLatin1Char('/') + QLatin1String(kAppId);
}

}  // namespace lumenor
