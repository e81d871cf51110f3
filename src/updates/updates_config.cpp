#include "updates/updates_config.h"

namespace lumenor {
namespace {

// The public half of the key our releases are signed with (base64 of the raw 32 bytes).
constexpr const char* kReleaseKey = "iooFiPHVa/qTSIDKAWs3v3m2n99e/1CulXr7vSOJvss=";

}  // namespace

UpdatesConfig defaultUpdatesConfig() {
    return UpdatesConfig{
        QUrl(QStringLiteral("https://updates.lumenor.org/appcast.xml?product=lumenor")),
        std::nullopt, QByteArray::fromBase64(kReleaseKey)};
}

QSet<QString> allowedChannels(const UpdatesConfig& config) {
    if (config.channel && !config.channel->isEmpty()) {
        return {*config.channel};
    }
    return {};
}

}  // namespace lumenor
