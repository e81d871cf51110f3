#include "updates/network_update_fetcher_qt.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QTimer>

#include "core/app_id.h"

namespace lumenor {
namespace {

constexpr int kMaxRedirects = 5;
constexpr int kTransferTimeoutMs = 30000;
constexpr int kHttpOk = 200;

bool isHttps(const QUrl& url) {
    return url.isValid() && url.scheme() == QLatin1String("https");
}

FetchResult failed(const QString& why) {
    return FetchResult{std::nullopt, why};
}

}  // namespace

NetworkUpdateFetcher::NetworkUpdateFetcher() : manager_(std::make_unique<QNetworkAccessManager>()) {
    // Redirects are looked at one by one, so that none leads off HTTPS.
    manager_->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

// Replies go with the manager; their callbacks, connected with the manager as context, are
// dropped first.
NetworkUpdateFetcher::~NetworkUpdateFetcher() = default;

void NetworkUpdateFetcher::get(const QUrl& url, qint64 maxBytes, std::chrono::milliseconds deadline,
                               std::function<void(const FetchResult&)> done) {
    start(url, Fetch{maxBytes, deadline, QDeadlineTimer(deadline), kMaxRedirects, done});
}

void NetworkUpdateFetcher::start(const QUrl& url, const Fetch& fetch) {
    if (!isHttps(url)) {
        fetch.done(failed(
            QStringLiteral("%1 is not an encrypted (HTTPS) address").arg(url.toDisplayString())));
        return;
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(kTransferTimeoutMs);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Lumenor/%1").arg(QLatin1String(kVersion)));
    QSslConfiguration tls = request.sslConfiguration();
    tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
    request.setSslConfiguration(tls);

    QNetworkReply* reply = manager_->get(request);
    QObject::connect(reply, &QNetworkReply::downloadProgress, manager_.get(),
                     [reply, maxBytes = fetch.maxBytes](qint64 received, qint64) {
                         if (received > maxBytes) {
                             reply->setProperty("tooLarge", true);
                             reply->abort();
                         }
                     });
    // The transfer timeout counts only silence; a server sending a byte now and then would
    // hold the fetch for ever without this.
    QTimer::singleShot(
        std::chrono::duration_cast<std::chrono::milliseconds>(fetch.ends.remainingTimeAsDuration()),
        reply, [reply] {
            reply->setProperty("late", true);
            reply->abort();
        });
    QObject::connect(reply, &QNetworkReply::finished, manager_.get(), [this, reply, fetch] {
        reply->deleteLater();
        finish(reply, fetch);
    });
}

void NetworkUpdateFetcher::finish(QNetworkReply* reply, const Fetch& fetch) {
    const auto& done = fetch.done;
    if (reply->property("tooLarge").toBool()) {
        done(failed(QStringLiteral("the server sent more than %1 bytes").arg(fetch.maxBytes)));
        return;
    }
    if (reply->property("late").toBool()) {
        done(failed(QStringLiteral("the server took more than %1 s to send it")
                        .arg(std::chrono::ceil<std::chrono::seconds>(fetch.deadline).count())));
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        done(failed(reply->errorString()));
        return;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant location = reply->attribute(QNetworkRequest::RedirectionTargetAttribute);
    if (location.isValid()) {
        const QUrl target = reply->url().resolved(location.toUrl());
        if (!isHttps(target)) {
            done(failed(QStringLiteral("the server redirected to %1, an address that is not "
                                       "encrypted")
                            .arg(target.toDisplayString())));
        } else if (fetch.redirectsLeft <= 0) {
            done(failed(QStringLiteral("the server redirected too many times")));
        } else {
            Fetch next = fetch;
            --next.redirectsLeft;
            start(target, next);
        }
        return;
    }
    if (status != kHttpOk) {
        done(failed(
            QStringLiteral("the server answered %1 %2")
                .arg(status)
                .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString())));
        return;
    }
    const QByteArray body = reply->readAll();
    if (body.size() > fetch.maxBytes) {
        done(failed(QStringLiteral("the server sent more than %1 bytes").arg(fetch.maxBytes)));
        return;
    }
    done(FetchResult{body, QString()});
}

}  // namespace lumenor
