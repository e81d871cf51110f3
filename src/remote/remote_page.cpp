#include "remote/remote_page.h"

#include <QFile>

namespace lumenor {

const QString& remotePage() {
    static const QString page = [] {
        QFile file(QStringLiteral(":/remote/remote_page.html"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }();
    return page;
}

}  // namespace lumenor
