#include "calibration/web_display_client.h"

#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>

#include "calibration/web_display_message.h"

namespace lumenor {

namespace {

// After an answer that is not a colour, before asking again: never a busy loop.
constexpr int kRetryMs = 200;

}  // namespace

WebDisplayClient::WebDisplayClient(QUrl base) : nonce_(QRandomGenerator::global()->generate()) {
    base.setPath(QStringLiteral("/ajax/messages"));
    base.setQuery(QString());
    base.setFragment(QString());
    messages_ = base;
    // The tool is on this machine or this network: never go through a proxy.
    network_.setProxy(QNetworkProxy::NoProxy);
    retry_.setSingleShot(true);
    QObject::connect(&retry_, &QTimer::timeout, [this] { request(); });
}

// A request still out is deleted with the network manager, after the members its handler
// uses have gone: it must not be answered then.
WebDisplayClient::~WebDisplayClient() {
    for (QNetworkReply* reply : network_.findChildren<QNetworkReply*>()) {
        QObject::disconnect(reply, nullptr, nullptr, nullptr);
    }
}

void WebDisplayClient::start() {
    request();
}

void WebDisplayClient::acknowledge() {
    if (!waiting_ && !ended_) {
        request();
    }
}

void WebDisplayClient::close() {
    ended_ = true;
    retry_.stop();
    for (QNetworkReply* reply : network_.findChildren<QNetworkReply*>()) {
        reply->abort();
    }
}

void WebDisplayClient::request() {
    if (ended_) {
        return;
    }
    QUrl url = messages_;
    url.setQuery(webDisplayQuery(shown_, ++nonce_));
    QNetworkRequest req(url);
    req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    req.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    waiting_ = true;
    QNetworkReply* reply = network_.get(req);
    QObject::connect(reply, &QNetworkReply::finished, [this, reply] { answered(reply); });
}

void WebDisplayClient::answered(QNetworkReply* reply) {
    reply->deleteLater();
    waiting_ = false;
    if (ended_) {
        return;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status != 200) {
        const QString why =
            status != 0 ? QStringLiteral("HTTP status %1").arg(status) : reply->errorString();
        // Once the tool has talked to us, its server going away is how a session ends.
        end(answeredOnce_ ? SessionEnd::clean : SessionEnd::unreachable, why);
        return;
    }
    const std::uint64_t receivedUs = monotonicMicroseconds();
    answeredOnce_ = true;
    const QByteArray body = reply->read(64);
    const std::optional<DeviceRgb> colour = parseWebDisplayColour(body);
    if (!colour) {
        if (onRefused) {
            onRefused(QStringLiteral("an answer that is not a #RRGGBB colour"));
        }
        retry_.start(kRetryMs);
        return;
    }
    if (colour == shown_) {
        request();
        return;
    }
    shown_ = colour;
    if (onColour) {
        onColour(*colour, receivedUs);
    }
}

void WebDisplayClient::end(SessionEnd how, const QString& why) {
    if (ended_) {
        return;
    }
    ended_ = true;
    retry_.stop();
    if (onEnded) {
        onEnded(how, why);
    }
}

}  // namespace lumenor
