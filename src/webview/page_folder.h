#pragma once

#include <QString>
#include <QUrl>

namespace lumenor {

// True when `url` is a file URL naming `folder` (an absolute, clean path) or a file inside
// it, after "." and ".." are resolved. Everything else (other schemes, other folders, a
// sibling folder whose name merely starts with the same text) is outside.
bool isInsideFolder(const QUrl& url, const QString& folder);

}  // namespace lumenor
