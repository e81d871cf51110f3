#pragma once

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>

namespace lumenor {

using RemoteParams = std::map<QString, QString>;

// One request as the phone remote understands it: the request line, the query, a form body
// and the two headers that tell which page sent it; every other header is ignored.
struct HttpRequest {
    QString method;
    QString path;
    RemoteParams params;
    std::optional<QString> origin;
    std::optional<QString> referer;
};

// The receive buffer decoded as UTF-8, each invalid sequence replaced by U+FFFD.
QString decodeRequestText(const QByteArray& buffer);

// True when the head has arrived and, if it announces a Content-Length, at least that many
// body bytes follow it.
bool isRequestComplete(const QString& text);

// Never fails: a request line that cannot be read yields method "GET" and path "/".
HttpRequest parseRequest(const QString& text);

// Percent escapes decoded; none when an escape is malformed or the result is not UTF-8.
std::optional<QString> percentDecoded(QStringView text);

}  // namespace lumenor
