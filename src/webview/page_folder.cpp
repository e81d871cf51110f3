#include "webview/page_folder.h"

#include <QDir>

namespace lumenor {

bool isInsideFolder(const QUrl& url, const QString& folder) {
    if (!url.isValid() || !url.isLocalFile() || !url.host().isEmpty() || folder.isEmpty()) {
        return false;
    }
    const QString path = QDir::cleanPath(url.toLocalFile());
    const QString root = QDir::cleanPath(folder);
    if (path == root) {
        return true;
    }
    return path.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
}

}  // namespace lumenor
