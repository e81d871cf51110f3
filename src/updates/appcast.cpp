#include "updates/appcast.h"

#include <QXmlStreamReader>

namespace lumenor {
namespace {

// Deeper than any real feed; the reader below never recurses, but a bound keeps a hostile
// feed from costing more than reading it.
constexpr int kMaxDepth = 32;

QString ours() {
    return QLatin1String(kAppcastNamespace);
}

// Reads to the end of the current element, without recursion, and returns its text: the
// text of child elements too when `children`, otherwise a child element is an error.
QString readText(QXmlStreamReader& xml, bool children = false) {
    QString text;
    int depth = 1;
    while (depth > 0 && !xml.hasError()) {
        switch (xml.readNext()) {
            case QXmlStreamReader::StartElement:
                if (!children) {
                    xml.raiseError(QStringLiteral("an element where text was expected"));
                } else if (++depth > kMaxDepth) {
                    xml.raiseError(
                        QStringLiteral("elements nested more than %1 deep").arg(kMaxDepth));
                }
                break;
            case QXmlStreamReader::EndElement:
                --depth;
                break;
            case QXmlStreamReader::Characters:
            case QXmlStreamReader::EntityReference:
                text += xml.text();
                break;
            case QXmlStreamReader::Invalid:
                return {};
            default:
                break;
        }
    }
    return text;
}

void skip(QXmlStreamReader& xml) {
    readText(xml, true);
}

AppcastEnclosure readEnclosure(const QXmlStreamAttributes& a) {
    AppcastEnclosure e;
    e.url = QUrl(a.value(QStringLiteral("url")).toString().trimmed(), QUrl::StrictMode);
    bool ok = false;
    const qint64 length = a.value(QStringLiteral("length")).toLongLong(&ok);
    e.length = ok && length >= 0 ? length : -1;
    e.type = a.value(QStringLiteral("type")).toString();
    // lumenor:edSignature, the file's signature alone, is for versions before the offer was
    // signed; it is not read.
    e.sha256 = a.value(ours(), QStringLiteral("sha256")).toString().trimmed();
    e.offerSignature = a.value(ours(), QStringLiteral("offerSignature")).toString().trimmed();
    e.os = a.value(ours(), QStringLiteral("os")).toString().trimmed();
    e.arch = a.value(ours(), QStringLiteral("arch")).toString().trimmed();
    return e;
}

AppcastItem readItem(QXmlStreamReader& xml) {
    AppcastItem item;
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        const bool isOurs = xml.namespaceUri() == ours();
        if (xml.namespaceUri().isEmpty() && name == QLatin1String("enclosure")) {
            item.enclosure = readEnclosure(xml.attributes());
            skip(xml);
        } else if (xml.namespaceUri().isEmpty() && name == QLatin1String("title")) {
            item.title = readText(xml).trimmed();
        } else if (xml.namespaceUri().isEmpty() && name == QLatin1String("description")) {
            item.description = readText(xml, true).trimmed();
        } else if (isOurs && name == QLatin1String("version")) {
            item.version = readText(xml).trimmed();
        } else if (isOurs && name == QLatin1String("shortVersionString")) {
            item.shortVersion = readText(xml).trimmed();
        } else if (isOurs && name == QLatin1String("minimumSystemVersion")) {
            item.minimumSystemVersion = readText(xml).trimmed();
        } else if (isOurs && name == QLatin1String("channel")) {
            item.channel = readText(xml).trimmed();
        } else if (isOurs && name == QLatin1String("releaseNotesLink")) {
            item.releaseNotesLink = QUrl(readText(xml).trimmed(), QUrl::StrictMode);
        } else {
            skip(xml);
        }
    }
    return item;
}

}  // namespace

AppcastParse parseAppcast(const QByteArray& bytes) {
    AppcastParse result;
    QXmlStreamReader xml(bytes);
    // Up to the root element, where a document type declaration would come.
    while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::StartElement) {
        if (xml.tokenType() == QXmlStreamReader::DTD) {
            xml.raiseError(QStringLiteral("a document type declaration is not allowed"));
        }
    }
    if (!xml.hasError() && (xml.tokenType() != QXmlStreamReader::StartElement ||
                            xml.qualifiedName() != QLatin1String("rss"))) {
        xml.raiseError(QStringLiteral("it is not an RSS feed"));
    }
    bool sawChannel = false;
    while (!xml.hasError() && xml.readNextStartElement()) {
        if (xml.qualifiedName() != QLatin1String("channel")) {
            skip(xml);
            continue;
        }
        sawChannel = true;
        while (xml.readNextStartElement()) {
            if (xml.qualifiedName() == QLatin1String("item")) {
                result.items.push_back(readItem(xml));
            } else {
                skip(xml);
            }
        }
    }
    // Whatever follows the root must be well-formed too.
    while (!xml.atEnd() && !xml.hasError()) {
        xml.readNext();
    }
    if (!xml.hasError() && !sawChannel) {
        xml.raiseError(QStringLiteral("it has no channel"));
    }
    if (xml.hasError()) {
        result.items.clear();
        result.error = QStringLiteral("%1 (line %2)").arg(xml.errorString()).arg(xml.lineNumber());
    }
    return result;
}

}  // namespace lumenor
