// Feeds raw bytes to the phone remote's request parser as if one connection had sent them.
#include <QString>

#include <cstdio>
#include <cstdlib>

#include "remote/http_request.h"
#include "remote/http_response.h"

namespace {

void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "request parser invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = lumenor::decodeRequestText(bytes);
    const bool complete = lumenor::isRequestComplete(text);
    const bool hasHead = text.contains(QStringLiteral("\r\n\r\n"));
    require(!complete || hasHead, "complete without the end of the head");

    const lumenor::HttpRequest request = lumenor::parseRequest(text);
    require(!request.method.isEmpty() && !request.method.contains(u' '), "method with blanks");
    require(!request.path.isNull(), "no path");
    const lumenor::HttpRequest again = lumenor::parseRequest(text);
    require(again.method == request.method && again.path == request.path &&
                again.params == request.params,
            "parsing is not repeatable");

    const lumenor::RouteAnswer answer{200, request.path, QStringLiteral("text/plain")};
    const QByteArray response = lumenor::responseBytes(answer);
    const QByteArray body = request.path.toUtf8();
    require(response.endsWith(body), "body not at the end");
    require(response.contains("\r\nContent-Length: " + QByteArray::number(body.size()) +
                              "\r\nConnection: close\r\nCache-Control: no-store\r\n\r\n"),
            "wrong head");
    return 0;
}
