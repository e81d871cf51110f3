#pragma once

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

    void get(const QUrl& url, qint64 maxBytes,
             std::function<void(const FetchResult&)> done) override;

  private:
    void start(const QUrl& url, qint64 maxBytes, int redirectsLeft,
               const std::function<void(const FetchResult&)>& done);
    void finish(QNetworkReply* reply, qint64 maxBytes, int redirectsLeft,
                const std::function<void(const FetchResult&)>& done);

    std::unique_ptr<QNetworkAccessManager> manager_;
};

}  // namespace lumenor
