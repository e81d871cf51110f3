#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QUrl>

#include <optional>

namespace lumenor {

// Where updates come from and whom they must be signed by.
struct UpdatesConfig {
    QUrl feedURL;
    std::optional<QString> channel;
    QByteArray publicKey;  // raw Ed25519 public key, 32 bytes
};

// Lumenor's own: the maker's feed, the default channel only, the release key built in.
UpdatesConfig defaultUpdatesConfig();

// The channels besides the default one that may be offered: config.channel when set and not
// empty.
QSet<QString> allowedChannels(const UpdatesConfig& config);

}  // namespace lumenor
