#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

#include <optional>
#include <vector>

#include "updates/appcast.h"

namespace lumenor {

// What an item must match to be for this computer.
struct UpdatePlatform {
    QString os;              // "linux"
    QString arch;            // Debian architecture name, "amd64"
    QString systemVersion;   // the system's release, "12"; empty when unknown
    QSet<QString> channels;  // channels besides the default one that may be offered
};

// The outcome of reading a feed against the running version.
struct UpdateChoice {
    enum class Kind { upToDate, available, refused };
    Kind kind = Kind::upToDate;
    std::optional<AppcastItem> item;  // available: the release to offer
    QString message;                  // refused: why, in one sentence
};

// Picks the newest item for `platform` that is newer than `running` in semantic version
// order. One without a usable offer signature and digest, length or HTTPS address is refused
// rather than offered. Items for other systems, too new a system, or with an unreadable version are
// passed over.
UpdateChoice chooseUpdate(const std::vector<AppcastItem>& items, const QString& running,
                          const UpdatePlatform& platform);

// Why a downloaded file must not be handed on (wrong length, an offer whose signature by
// `publicKey` does not hold, a file whose SHA-256 is not the signed one), in one sentence;
// none when it is the file the item describes.
std::optional<QString> checkDownload(const QByteArray& file, const AppcastItem& item,
                                     const QByteArray& publicKey);

}  // namespace lumenor
