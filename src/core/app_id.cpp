#include "core/app_id.h"

#include <QCoreApplication>

namespace lumenor {

void applyAppIdentity() {
    // An empty organisation keeps AppDataLocation at ~/.local/share/<identifier>.
    QCoreApplication::setOrganizationName(QString());
    QCoreApplication::setOrganizationDomain(QString());
    QCoreApplication::setApplicationName(QString::fromLatin1(kAppId));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersion));
}

}  // namespace lumenor
