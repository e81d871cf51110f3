#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <gtest/gtest.h>

#include "support/process.h"

// The phone's side of the remote, over 127.0.0.1: curl for the routes, Chromium for the page.
namespace lumenor::test {

// The HTTP status of the answer to one form-encoded command.
inline QByteArray post(quint16 port, const QByteArray& form) {
    return runProcess("curl", {"-sS", "-o", "/dev/null", "-w", "%{http_code}", "-d", form,
                               QStringLiteral("http://127.0.0.1:%1/cmd").arg(port)})
        .out;
}

// The status and body of the state answer for `pin`.
inline QByteArray stateFor(quint16 port, const QByteArray& pin) {
    return runProcess("curl", {"-sS", "-w", " %{http_code}",
                               QStringLiteral("http://127.0.0.1:%1/state?pin=%2")
                                   .arg(port)
                                   .arg(QString::fromLatin1(pin))})
        .out;
}

// What the phone's page at `address` says after tapping `tap` (none: no tap), as the probe
// prints it.
inline QJsonObject phonePage(const QString& address, const QString& tap = {}) {
    QStringList args{QStringLiteral(PHONE_PAGE_PROBE), address};
    if (!tap.isEmpty()) {
        args << tap;
    }
    const auto r = runProcess(QStringLiteral(NODE_EXECUTABLE), args);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return QJsonDocument::fromJson(r.out).object();
}

}  // namespace lumenor::test
