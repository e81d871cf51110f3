#include "core/resources.h"

#include <QDir>
#include <QFileInfo>

namespace lumenor {
namespace {

// Deep enough for a test program in build/tests/<subsystem>/, shallow enough not to wander
// into an unrelated prefix.
constexpr int kLevelsUp = 3;

}  // namespace

std::optional<QString> dataDirectory() {
    const QString override = qEnvironmentVariable(kDataDirVariable);
    if (!override.isEmpty()) {
        if (QFileInfo(override).isDir()) {
            return QDir(override).absolutePath();
        }
        return std::nullopt;
    }
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (exe.isEmpty()) {
        return std::nullopt;
    }
    QDir dir = QFileInfo(exe).absoluteDir();
    for (int level = 0; level < kLevelsUp; ++level) {
        if (!dir.cdUp()) {
            break;
        }
        const QString candidate = dir.filePath(QStringLiteral("share/lumenor"));
        if (QFileInfo(candidate).isDir()) {
            return QDir::cleanPath(candidate);
        }
    }
    return std::nullopt;
}

std::optional<QString> pagePath(const QString& name) {
    const std::optional<QString> data = dataDirectory();
    if (!data) {
        return std::nullopt;
    }
    const QString path = QDir(*data).filePath(QStringLiteral("pages/") + name);
    if (!QFileInfo(path).isFile()) {
        return std::nullopt;
    }
    return path;
}

}  // namespace lumenor
