#pragma once

#include <QDeadlineTimer>

#include <memory>

#include "updates/update_fetcher.h"

class QNetworkAccessManager;
class QNetworkReply;

namespace lumenor {

// The fetcher over QNetworkAccessManager. Certificates are always verified against the
// system's trusted authorities (Qt's default configuration); nothing here relaxes that.
class NetworkUpdateFetcher : public UpdateFetcher {
  public:
    NetworkUpdateFetcher();
    ~NetworkUpdateFetcher() override;
    NetworkUpdateFetcher(const NetworkUpdateFetcher&) = delete;
    NetworkUpdateFetcher& operator=(const NetworkUpdateFetcher&) = delete;

    void get(const QUrl& url, qint64 maxBytes, std::chrono::milliseconds deadline,
             std::function<void(const FetchResult&)> done) override;

  private:
    // One fetch, across its redirects.
    struct Fetch {
        qint64 maxBytes;
        std::chrono::milliseconds deadline;
        QDeadlineTimer ends;
        int redirectsLeft;
        std::function<void(const FetchResult&)> done;
    };
    void start(const QUrl& url, const Fetch& fetch);
    void finish(QNetworkReply* reply, const Fetch& fetch);

    std::unique_ptr<QNetworkAccessManager> manager_;
};

}  // namespace lumenor
