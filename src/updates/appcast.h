#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>
#include <vector>

namespace lumenor {

// Our elements and attributes in the feed live in this XML namespace.
inline constexpr const char* kAppcastNamespace = "https://lumenor.org/xml-namespaces/appcast";

// The file an item offers: the RSS enclosure with our signature and platform attributes.
struct AppcastEnclosure {
    QUrl url;
    qint64 length = -1;  // -1 when missing or not a number
    QString type;
    QString sha256;          // hex of the file's SHA-256
    QString offerSignature;  // base64 of the Ed25519 signature of offerStatement()
    QString os;              // empty: every system
    QString arch;            // Debian architecture name; empty: every architecture
};

// One release in the feed.
struct AppcastItem {
    QString title;
    QString version;       // the version that orders releases
    QString shortVersion;  // the version shown to people; may be empty
    QString minimumSystemVersion;
    QString channel;  // empty: the default channel
    QUrl releaseNotesLink;
    QString description;  // plain text
    std::optional<AppcastEnclosure> enclosure;

    // The version to show: the short one when there is one.
    QString displayVersion() const { return shortVersion.isEmpty() ? version : shortVersion; }
};

struct AppcastParse {
    std::vector<AppcastItem> items;
    std::optional<QString> error;  // set when the feed is not a well-formed RSS feed
};

// Reads an RSS 2.0 feed: <rss><channel><item>… with our namespace's version elements and
// enclosure attributes. A document type declaration is refused, so no entity is expanded.
AppcastParse parseAppcast(const QByteArray& xml);

}  // namespace lumenor
