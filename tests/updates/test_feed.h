#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <utility>
#include <vector>

#include <openssl/evp.h>

#include "updates/appcast.h"
#include "updates/update_offer.h"

namespace lumenor::test {

// A throw-away Ed25519 key pair, made fresh for each test that needs one.
class TestKey {
  public:
    TestKey() : key_(nullptr, &EVP_PKEY_free) {
        EVP_PKEY* made = nullptr;
        EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr);
        if (ctx && EVP_PKEY_keygen_init(ctx) == 1) {
            EVP_PKEY_keygen(ctx, &made);
        }
        EVP_PKEY_CTX_free(ctx);
        key_.reset(made);
    }

    QByteArray publicKey() const {
        QByteArray raw(32, '\0');
        size_t size = 32;
        EVP_PKEY_get_raw_public_key(key_.get(), reinterpret_cast<unsigned char*>(raw.data()),
                                    &size);
        return raw;
    }

    // Base64 of the signature of `data`.
    QString signature(const QByteArray& data) const {
        QByteArray sig(64, '\0');
        size_t size = 64;
        EVP_MD_CTX* ctx = EVP_MD_CTX_new();
        EVP_DigestSignInit(ctx, nullptr, nullptr, nullptr, key_.get());
        EVP_DigestSign(ctx, reinterpret_cast<unsigned char*>(sig.data()), &size,
                       reinterpret_cast<const unsigned char*>(data.constData()),
                       static_cast<size_t>(data.size()));
        EVP_MD_CTX_free(ctx);
        return QString::fromLatin1(sig.toBase64());
    }

  private:
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key_;
};

// One release in a feed made by a test.
struct FeedItem {
    QString version;
    QString url;
    qint64 length = 0;
    QString signature;
    QString os = QStringLiteral("linux");
    QString arch = QStringLiteral("amd64");
    QString sha256;
    QString shortVersion;
    QString minimumSystem;
    QString channel;
    QString description = QStringLiteral("Fixes & changes");
};

inline FeedItem feedItem(const QString& version, const QString& url, qint64 length,
                         const QString& signature = {}) {
    FeedItem item;
    item.version = version;
    item.url = url;
    item.length = length;
    item.signature = signature;
    return item;
}

inline QByteArray feedXml(const std::vector<FeedItem>& items) {
    QString xml = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<rss version=\"2.0\" xmlns:lumenor=\"https://lumenor.org/xml-namespaces/appcast\">\n"
        "<channel><title>Lumenor</title>\n");
    auto element = [&](const char* name, const QString& value) {
        if (!value.isEmpty()) {
            xml += QStringLiteral("<lumenor:%1>%2</lumenor:%1>").arg(QLatin1String(name), value);
        }
    };
    for (const FeedItem& i : items) {
        xml += QStringLiteral("<item><title>Lumenor %1</title>").arg(i.version);
        element("version", i.version);
        element("shortVersionString", i.shortVersion);
        element("minimumSystemVersion", i.minimumSystem);
        element("channel", i.channel);
        element("releaseNotesLink", "https://lumenor.org/notes/" + i.version);
        xml += QStringLiteral("<description>%1</description>").arg(i.description.toHtmlEscaped());
        xml += QStringLiteral(
                   "<enclosure url=\"%1\" length=\"%2\" "
                   "type=\"application/vnd.debian.binary-package\" lumenor:os=\"%3\"")
                   .arg(i.url.toHtmlEscaped())
                   .arg(i.length)
                   .arg(i.os);
        for (const auto& [name, value] : {std::pair{"arch", i.arch}, std::pair{"sha256", i.sha256},
                                          std::pair{"offerSignature", i.signature}}) {
            if (!value.isEmpty()) {
                xml += QStringLiteral(" lumenor:%1=\"%2\"").arg(QLatin1String(name), value);
            }
        }
        xml += QStringLiteral("/></item>\n");
    }
    xml += QStringLiteral("</channel></rss>\n");
    return xml.toUtf8();
}

// Signs `item` as the maker would for `file`: its digest, and the offer with the item's
// claims (its length stays as the item says).
inline void signOffer(const TestKey& key, FeedItem& item, const QByteArray& file) {
    item.sha256 =
        QString::fromLatin1(QCryptographicHash::hash(file, QCryptographicHash::Sha256).toHex());
    item.signature.clear();
    const std::vector<AppcastItem> read = parseAppcast(feedXml({item})).items;
    item.signature = read.empty() ? QString() : key.signature(offerStatement(read[0]).value());
}

// A Debian package built by dpkg-deb whose control file says `version` and `arch` (and
// `package`), with `padding` bytes of content.
inline QByteArray debPackage(const QString& version, const QString& arch = "amd64",
                             const QString& package = "lumenor", int padding = 4000) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("root/DEBIAN");
    QDir(dir.path()).mkpath("root/usr/share/doc/lumenor");
    QFile control(dir.filePath("root/DEBIAN/control"));
    control.open(QIODevice::WriteOnly);
    control.write(QStringLiteral("Package: %1\nVersion: %2\nArchitecture: %3\nMaintainer: Test "
                                 "<test@lumenor.test>\nDescription: test package\n")
                      .arg(package, version, arch)
                      .toUtf8());
    control.close();
    QFile content(dir.filePath("root/usr/share/doc/lumenor/padding"));
    content.open(QIODevice::WriteOnly);
    content.write(QByteArray(padding, 'p'));
    content.close();
    QProcess build;
    build.start("dpkg-deb", {"--root-owner-group", "-Zgzip", "-b", dir.filePath("root"),
                             dir.filePath("p.deb")});
    build.waitForFinished(30000);
    QFile deb(dir.filePath("p.deb"));
    return deb.open(QIODevice::ReadOnly) ? deb.readAll() : QByteArray();
}

}  // namespace lumenor::test
