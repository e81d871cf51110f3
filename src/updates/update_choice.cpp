#include "updates/update_choice.h"

#include <QCryptographicHash>

#include <algorithm>

#include "updates/ed25519.h"
#include "updates/update_offer.h"
#include "updates/version_order.h"

namespace lumenor {
namespace {

constexpr int kSha256HexSize = 64;

QByteArray decodedSignature(const AppcastEnclosure& e) {
    const QByteArray::FromBase64Result decoded = QByteArray::fromBase64Encoding(
        e.offerSignature.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? *decoded : QByteArray();
}

bool isSha256Hex(const QString& text) {
    return text.size() == kSha256HexSize && std::all_of(text.begin(), text.end(), [](QChar c) {
               return QStringView(u"0123456789abcdefABCDEF").contains(c);
           });
}

bool isForPlatform(const AppcastItem& item, const UpdatePlatform& platform) {
    const AppcastEnclosure& e = *item.enclosure;
    if (!item.channel.isEmpty() && !platform.channels.contains(item.channel)) {
        return false;
    }
    if ((!e.os.isEmpty() && e.os != platform.os) ||
        (!e.arch.isEmpty() && e.arch != platform.arch)) {
        return false;
    }
    if (item.minimumSystemVersion.isEmpty() || platform.systemVersion.isEmpty()) {
        return true;
    }
    const std::optional<Version> needed = parseVersion(item.minimumSystemVersion);
    const std::optional<Version> have = parseVersion(platform.systemVersion);
    return needed && have && compareVersions(*have, *needed) >= 0;
}

std::optional<Version> orderVersion(const AppcastItem& item) {
    return parseVersion(item.version.isEmpty() ? item.shortVersion : item.version);
}

}  // namespace

UpdateChoice chooseUpdate(const std::vector<AppcastItem>& items, const QString& running,
                          const UpdatePlatform& platform) {
    const std::optional<Version> current = parseVersion(running);
    const AppcastItem* best = nullptr;
    std::optional<Version> bestVersion;
    for (const AppcastItem& item : items) {
        const std::optional<Version> v = orderVersion(item);
        if (!v || !item.enclosure || !isForPlatform(item, platform)) {
            continue;
        }
        if (!bestVersion || compareVersions(*v, *bestVersion) > 0) {
            best = &item;
            bestVersion = v;
        }
    }
    UpdateChoice choice;
    if (!best || (current && compareVersions(*bestVersion, *current) <= 0)) {
        return choice;
    }
    choice.item = *best;
    const AppcastEnclosure& e = *best->enclosure;
    const QString name = QStringLiteral("Lumenor ") + best->displayVersion();
    if (e.offerSignature.isEmpty()) {
        choice.kind = UpdateChoice::Kind::refused;
        choice.message = QStringLiteral(
                             "The update to %1 is not signed, so Lumenor will not "
                             "offer it.")
                             .arg(name);
    } else if (decodedSignature(e).size() != kEd25519SignatureSize || !isSha256Hex(e.sha256) ||
               !offerStatement(*best)) {
        choice.kind = UpdateChoice::Kind::refused;
        choice.message = QStringLiteral(
                             "The update to %1 carries a signature that cannot be "
                             "read, so Lumenor will not offer it.")
                             .arg(name);
    } else if (e.url.scheme() != QLatin1String("https") || e.length <= 0) {
        choice.kind = UpdateChoice::Kind::refused;
        choice.message = QStringLiteral(
                             "The update to %1 has no secure download address or "
                             "length, so Lumenor will not offer it.")
                             .arg(name);
    } else {
        choice.kind = UpdateChoice::Kind::available;
    }
    return choice;
}

std::optional<QString> checkDownload(const QByteArray& file, const AppcastItem& item,
                                     const QByteArray& publicKey) {
    const QString name = QStringLiteral("Lumenor ") + item.displayVersion();
    if (!item.enclosure) {
        return QStringLiteral("The update to %1 offers no file.").arg(name);
    }
    const AppcastEnclosure& e = *item.enclosure;
    if (file.size() != e.length) {
        return QStringLiteral(
                   "The download of %1 is %2 bytes instead of %3, so Lumenor "
                   "discarded it.")
            .arg(name)
            .arg(file.size())
            .arg(e.length);
    }
    // The signature covers the feed's claims, the file's digest among them; the file must
    // then be the one the digest names.
    const std::optional<QByteArray> statement = offerStatement(item);
    const QByteArray digest = QCryptographicHash::hash(file, QCryptographicHash::Sha256).toHex();
    if (!statement || !verifyEd25519(publicKey, *statement, decodedSignature(e)) ||
        digest != e.sha256.toLower().toLatin1()) {
        return QStringLiteral(
                   "The download of %1 does not match its signature, so Lumenor "
                   "discarded it.")
            .arg(name);
    }
    return std::nullopt;
}

}  // namespace lumenor
