#include "remote/http_response.h"

namespace lumenor {

namespace {

QByteArray reasonPhrase(int status) {
    switch (status) {
        case 429:
            return "Too Many Requests";
        case 403:
            return "Forbidden";
        default:
            return "OK";
    }
}

}  // namespace

QByteArray responseBytes(const RouteAnswer& answer) {
    const QByteArray body = answer.body.toUtf8();
    QByteArray out = "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' +
                     reasonPhrase(answer.status) +
                     "\r\nContent-Type: " + answer.contentType.toUtf8() +
                     "\r\nContent-Length: " + QByteArray::number(body.size()) +
                     "\r\nConnection: close\r\nCache-Control: no-store\r\n\r\n";
    out += body;
    return out;
}

}  // namespace lumenor
