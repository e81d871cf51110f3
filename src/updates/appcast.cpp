#include "updates/appcast.h"

#include <QXmlStreamReader>

namespace lumenor {
namespace {

QString ours() {
    return QLatin1String(kAppcastNamespace);
}

AppcastEnclosure readEnclosure(const QXmlStreamAttributes& a) {
    AppcastEnclosure e;
    e.url = QUrl(a.value(QStringLiteral("url")).toString().trimmed(), QUrl::StrictMode);
    bool ok = false;
    const qint64 length = a.value(QStringLiteral("length")).toLongLong(&ok);
    e.length = ok && length >= 0 ? length : -1;
    e.type = a.value(QStringLiteral("type")).toString();
    e.edSignature = a.value(ours(), QStringLiteral("edSignature")).toString().trimmed();
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
            xml.skipCurrentElement();
        } else if (xml.namespaceUri().isEmpty() && name == QLatin1String("title")) {
            item.title = xml.readElementText().trimmed();
        } else if (xml.namespaceUri().isEmpty() && name == QLatin1String("description")) {
            item.description =
                xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (isOurs && name == QLatin1String("version")) {
            item.version = xml.readElementText().trimmed();
        } else if (isOurs && name == QLatin1String("shortVersionString")) {
            item.shortVersion = xml.readElementText().trimmed();
        } else if (isOurs && name == QLatin1String("minimumSystemVersion")) {
            item.minimumSystemVersion = xml.readElementText().trimmed();
        } else if (isOurs && name == QLatin1String("channel")) {
            item.channel = xml.readElementText().trimmed();
        } else if (isOurs && name == QLatin1String("releaseNotesLink")) {
            item.releaseNotesLink = QUrl(xml.readElementText().trimmed(), QUrl::StrictMode);
        } else {
            xml.skipCurrentElement();
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
            xml.skipCurrentElement();
            continue;
        }
        sawChannel = true;
        while (xml.readNextStartElement()) {
            if (xml.qualifiedName() == QLatin1String("item")) {
                result.items.push_back(readItem(xml));
            } else {
                xml.skipCurrentElement();
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
