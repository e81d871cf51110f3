#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

namespace lumenor {

// What a fetch brought: the body, or why there is none, in words to put in a sentence.
struct FetchResult {
    std::optional<QByteArray> body;
    QString error;
};

// Gets a resource over HTTPS with the certificate checked. Redirects are followed only to
// HTTPS addresses; a body larger than `maxBytes` is cut off and reported as an error, and so
// is a fetch, redirects included, that has not ended within `deadline`.
class UpdateFetcher {
  public:
    virtual ~UpdateFetcher() = default;
    // `done` runs later on the main thread, once, unless the fetcher is destroyed first.
    virtual void get(const QUrl& url, qint64 maxBytes, std::chrono::milliseconds deadline,
                     std::function<void(const FetchResult&)> done) = 0;
};

}  // namespace lumenor
