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
// How often a request the tool has not answered yet checks that the tool is still there.
constexpr int kProbeMs = 2000;
// An answer is one colour, "#RRGGBB" and a line break; anything much longer is not one.
constexpr qint64 kMaxAnswerBytes = 1024;

}  // namespace

WebDisplayClient::WebDisplayClient(QUrl base) : nonce_(QRandomGenerator::global()->generate()) {
    base.setPath(QStringLiteral("/ajax/messages"));
    base.setQuery(QString());
    base.setFragment(QString());
    messages_ = base;
    // The tool is on this machine or this network: never go through a proxy.
    network_.setProxy(QNetworkProxy::NoProxy);
    // The tool answers at the address it was given; a redirect elsewhere is not its answer.
    network_.setRedirectPolicy(QNetworkRequest::SameOriginRedirectPolicy);
    probe_.setProxy(QNetworkProxy::NoProxy);
    retry_.setSingleShot(true);
    QObject::connect(&retry_, &QTimer::timeout, [this] { request(); });
    probeTimer_.setInterval(kProbeMs);
    QObject::connect(&probeTimer_, &QTimer::timeout, [this] { probe(); });
    QObject::connect(&probe_, &QTcpSocket::connected, [this] { probe_.abort(); });
    QObject::connect(&probe_, &QTcpSocket::errorOccurred, [this](QAbstractSocket::SocketError e) {
        if (e == QAbstractSocket::ConnectionRefusedError && waiting_) {
            end(answeredOnce_ ? SessionEnd::clean : SessionEnd::unreachable,
                QStringLiteral("the tool's web server went away"));
        }
    });
}

// A request still out is deleted with the network manager, after the members its handler
// uses have gone: it must not be answered then.
WebDisplayClient::~WebDisplayClient() {
    QObject::disconnect(&probe_, nullptr, nullptr, nullptr);
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
    probeTimer_.stop();
    probe_.abort();
    for (QNetworkReply* reply : network_.findChildren<QNetworkReply*>()) {
        reply->abort();
    }
}

// The tool may hold a request for as long as a measurement takes, so an unanswered request
// proves nothing. But a server that has gone while the network layer still waits on a
// connection it reset would leave the session waiting for ever: a refused connection to the
// tool's address ends it.
void WebDisplayClient::probe() {
    if (probe_.state() == QAbstractSocket::UnconnectedState) {
        probe_.connectToHost(messages_.host(), static_cast<quint16>(messages_.port(80)));
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
    probeTimer_.start();
    QNetworkReply* reply = network_.get(req);
    QObject::connect(reply, &QNetworkReply::downloadProgress, [reply](qint64 received) {
        if (received > kMaxAnswerBytes) {
            reply->setProperty("tooLong", true);
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, [this, reply] { answered(reply); });
}

void WebDisplayClient::answered(QNetworkReply* reply) {
    reply->deleteLater();
    waiting_ = false;
    probeTimer_.stop();
    if (ended_) {
        return;
    }
    if (reply->property("tooLong").toBool()) {
        end(SessionEnd::broken,
            QStringLiteral("the tool's answer is longer than %1 bytes").arg(kMaxAnswerBytes));
        return;
    }
    if (reply->error() == QNetworkReply::InsecureRedirectError) {
        end(SessionEnd::broken, QStringLiteral("the tool redirected to another address"));
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
    probeTimer_.stop();
    probe_.abort();
    if (onEnded) {
        onEnded(how, why);
    }
}

}  // namespace lumenor
