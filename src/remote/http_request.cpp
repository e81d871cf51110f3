#include "remote/http_request.h"

#include <QStringList>

#include <limits>

namespace lumenor {

namespace {

const QString kHeadEnd = QStringLiteral("\r\n\r\n");
const QString kLineEnd = QStringLiteral("\r\n");

QStringView trimmedBlanks(QStringView s) {
    auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (!s.isEmpty() && blank(s.front())) {
        s = s.mid(1);
    }
    while (!s.isEmpty() && blank(s.back())) {
        s.chop(1);
    }
    return s;
}

// A decimal integer with an optional sign; none for any other character or on overflow.
std::optional<qint64> parseLength(QStringView s) {
    bool negative = false;
    if (!s.isEmpty() && (s.front() == u'+' || s.front() == u'-')) {
        negative = s.front() == u'-';
        s = s.mid(1);
    }
    if (s.isEmpty()) {
        return std::nullopt;
    }
    qint64 value = 0;
    for (const QChar c : s) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        const int digit = c.unicode() - u'0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

// The value of the first header line of that name.
std::optional<QString> headerField(QStringView head, QStringView name) {
    for (const QStringView line : head.split(kLineEnd)) {
        const qsizetype colon = line.indexOf(u':');
        if (colon > 0 && trimmedBlanks(line.left(colon)).compare(name, Qt::CaseInsensitive) == 0) {
            return trimmedBlanks(line.mid(colon + 1)).toString();
        }
    }
    return std::nullopt;
}

std::optional<qint64> declaredLength(QStringView head) {
    for (const QStringView line : head.split(kLineEnd)) {
        const qsizetype colon = line.indexOf(u':');
        if (colon <= 0 || colon == line.size() - 1) {
            continue;
        }
        if (trimmedBlanks(line.left(colon)).compare(u"content-length", Qt::CaseInsensitive) != 0) {
            continue;
        }
        if (const auto length = parseLength(trimmedBlanks(line.mid(colon + 1)))) {
            return length;
        }
    }
    return std::nullopt;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Characters that may stand in a URL as they are (escapes are checked separately).
bool isUrlCharacter(QChar c) {
    if (c.unicode() <= 0x20 || c.unicode() >= 0x7F) {
        return false;
    }
    return !QStringView(u"\"<>\\^`{|}[]").contains(c);
}

bool isHostCharacter(QChar c) {
    return c.isLetterOrNumber() || QStringView(u"-._~!$&'()*+,;=%").contains(c);
}

bool isValidAuthority(QStringView authority) {
    const qsizetype at = authority.lastIndexOf(u'@');
    const QStringView hostPort = at < 0 ? authority : authority.mid(at + 1);
    const qsizetype colon = hostPort.indexOf(u':');
    const QStringView host = colon < 0 ? hostPort : hostPort.left(colon);
    for (const QChar c : host) {
        if (!isHostCharacter(c)) {
            return false;
        }
    }
    if (colon >= 0) {
        for (const QChar c : hostPort.mid(colon + 1)) {
            if (c < u'0' || c > u'9') {
                return false;
            }
        }
    }
    return true;
}

struct UrlParts {
    QString path;
    std::optional<QStringView> query;
};

// The path and query of "http://x" + target, or none when that is no valid URL.
std::optional<UrlParts> splitUrl(QStringView url) {
    for (const QChar c : url) {
        if (!isUrlCharacter(c)) {
            return std::nullopt;
        }
    }
    if (url.count(u'#') > 1 || !percentDecoded(url)) {
        return std::nullopt;
    }
    constexpr qsizetype kSchemeLength = 7;  // "http://"
    const QStringView rest = url.mid(kSchemeLength);
    qsizetype authorityEnd = 0;
    while (authorityEnd < rest.size() && !QStringView(u"/?#").contains(rest[authorityEnd])) {
        ++authorityEnd;
    }
    if (!isValidAuthority(rest.left(authorityEnd))) {
        return std::nullopt;
    }
    QStringView tail = rest.mid(authorityEnd);
    if (const qsizetype hash = tail.indexOf(u'#'); hash >= 0) {
        tail = tail.left(hash);
    }
    UrlParts parts;
    const qsizetype question = tail.indexOf(u'?');
    const QStringView rawPath = question < 0 ? tail : tail.left(question);
    const std::optional<QString> path = percentDecoded(rawPath);
    if (!path) {
        return std::nullopt;
    }
    parts.path = *path;
    if (question >= 0) {
        parts.query = tail.mid(question + 1);
    }
    return parts;
}

bool applyQuery(QStringView query, RemoteParams& params) {
    if (query.isEmpty()) {
        return true;
    }
    RemoteParams result = params;
    for (const QStringView item : query.split(u'&')) {
        const qsizetype equals = item.indexOf(u'=');
        const std::optional<QString> name = percentDecoded(equals < 0 ? item : item.left(equals));
        if (!name) {
            return false;
        }
        if (equals < 0) {
            result.erase(*name);
            continue;
        }
        const std::optional<QString> value = percentDecoded(item.mid(equals + 1));
        if (!value) {
            return false;
        }
        result[*name] = *value;
    }
    params = std::move(result);
    return true;
}

RemoteParams parseForm(QStringView body) {
    RemoteParams fields;
    for (QStringView piece : body.split(u'&', Qt::SkipEmptyParts)) {
        while (!piece.isEmpty() && piece.front() == u'=') {
            piece = piece.mid(1);
        }
        if (piece.isEmpty()) {
            continue;  // nothing but equals signs: no name to set
        }
        const qsizetype equals = piece.indexOf(u'=');
        const QStringView rawName = equals < 0 ? piece : piece.left(equals);
        const QStringView rawValue = equals < 0 ? QStringView() : piece.mid(equals + 1);
        const QString name = percentDecoded(rawName).value_or(rawName.toString());
        QString spaced = rawValue.toString();
        spaced.replace(u'+', u' ');
        fields[name] = percentDecoded(spaced).value_or(rawValue.toString());
    }
    return fields;
}

}  // namespace

QString decodeRequestText(const QByteArray& buffer) {
    return QString::fromUtf8(buffer);
}

bool isRequestComplete(const QString& text) {
    const qsizetype end = text.indexOf(kHeadEnd);
    if (end < 0) {
        return false;
    }
    const std::optional<qint64> length = declaredLength(QStringView(text).left(end));
    if (!length) {
        return true;
    }
    const qint64 bodyBytes = QStringView(text).mid(end + kHeadEnd.size()).toUtf8().size();
    return bodyBytes >= *length;
}

HttpRequest parseRequest(const QString& text) {
    const qsizetype end = text.indexOf(kHeadEnd);
    const QStringView head = end < 0 ? QStringView(text) : QStringView(text).left(end);
    const QStringView body = end < 0 ? QStringView() : QStringView(text).mid(end + kHeadEnd.size());

    const qsizetype lineEnd = head.indexOf(kLineEnd);
    const QStringView requestLine = lineEnd < 0 ? head : head.left(lineEnd);
    const QList<QStringView> pieces = requestLine.split(u' ', Qt::SkipEmptyParts);

    HttpRequest request;
    request.origin = headerField(head.mid(requestLine.size()), u"origin");
    request.referer = headerField(head.mid(requestLine.size()), u"referer");
    request.method = pieces.isEmpty() ? QStringLiteral("GET") : pieces[0].toString();
    const QString target = pieces.size() < 2 ? QStringLiteral("/") : pieces[1].toString();
    const std::optional<UrlParts> url = splitUrl(QString(QStringLiteral("http://x") + target));
    bool parsed = url.has_value();
    if (parsed) {
        request.path = url->path;
        parsed = !url->query || applyQuery(*url->query, request.params);
    }
    if (!parsed) {
        request.path = QStringLiteral("/");
        request.params.clear();
    }
    for (auto& [name, value] : parseForm(body)) {
        request.params[name] = value;
    }
    return request;
}

std::optional<QString> percentDecoded(QStringView text) {
    const QByteArray bytes = text.toUtf8();
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '%') {
            out.append(bytes[i]);
            continue;
        }
        if (i + 2 >= bytes.size()) {
            return std::nullopt;
        }
        const int high = hexValue(bytes[i + 1]);
        const int low = hexValue(bytes[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        out.append(static_cast<char>(high * 16 + low));
        i += 2;
    }
    QString decoded = QString::fromUtf8(out);
    if (decoded.toUtf8() != out) {
        return std::nullopt;
    }
    return decoded;
}

}  // namespace lumenor
