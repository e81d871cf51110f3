#include "app/remote_control.h"

#include <QJsonObject>

#include "controller/page_calls.h"

namespace lumenor {

RemoteControl::RemoteControl(RemoteServer& server, Hooks hooks)
    : server_(server), hooks_(std::move(hooks)) {}

void RemoteControl::set(bool on) {
    if (on) {
        server_.start([this](const std::optional<QString>& url, const QString& pin,
                             const std::optional<QString>& qr) { pushStatus(url, pin, qr); });
        return;
    }
    server_.stop();
    hooks_.send(pagecalls::remoteStatus(QJsonObject{{QStringLiteral("on"), false},
                                                    {QStringLiteral("requested"), false},
                                                    {QStringLiteral("url"), QString()},
                                                    {QStringLiteral("pin"), QString()},
                                                    {QStringLiteral("qr"), QString()}}));
}

void RemoteControl::pushStatus(const std::optional<QString>& url, const QString& pin,
                               const std::optional<QString>& qr) {
    hooks_.send(
        pagecalls::remoteStatus(QJsonObject{{QStringLiteral("on"), url.has_value()},
                                            {QStringLiteral("requested"), true},
                                            {QStringLiteral("url"), url.value_or(QString())},
                                            {QStringLiteral("pin"), pin},
                                            {QStringLiteral("qr"), qr.value_or(QString())}}));
    if (hooks_.started) {
        hooks_.started(url, pin, qr);
    }
}

}  // namespace lumenor
