#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

#include <openssl/evp.h>

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

    // Base64 of the signature of `data`, as the feed carries it.
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
    QString shortVersion;
    QString minimumSystem;
    QString channel;
    QString description = QStringLiteral("Fixes & changes");
};

inline FeedItem feedItem(const QString& version, const QString& url, qint64 length,
                         const QString& signature) {
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
        if (!i.signature.isEmpty()) {
            xml += QStringLiteral(" lumenor:edSignature=\"%1\"").arg(i.signature);
        }
        xml += QStringLiteral("/></item>\n");
    }
    xml += QStringLiteral("</channel></rss>\n");
    return xml.toUtf8();
}

}  // namespace lumenor::test
