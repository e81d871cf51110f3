#pragma once

#include <QByteArray>
#include <QString>

namespace lumenor {

// What a route answers; turned into bytes by responseBytes().
struct RouteAnswer {
    int status = 200;
    QString body;
    QString contentType;
};

// The whole response: status line, the four headers and the UTF-8 body.
QByteArray responseBytes(const RouteAnswer& answer);

}  // namespace lumenor
