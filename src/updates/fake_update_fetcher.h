#pragma once

#include <QHash>

#include <utility>
#include <vector>

#include "updates/update_fetcher.h"

namespace lumenor {

// Answers from a table at once; an address not in it fails. Records what was asked.
class FakeUpdateFetcher : public UpdateFetcher {
  public:
    void get(const QUrl& url, qint64 maxBytes, std::chrono::milliseconds deadline,
             std::function<void(const FetchResult&)> done) override {
        requests.push_back(url);
        deadlines.push_back(deadline);
        const auto found = answers.constFind(url);
        if (found == answers.constEnd()) {
            done(FetchResult{std::nullopt, QStringLiteral("no such address")});
            return;
        }
        FetchResult r = *found;
        if (r.body && r.body->size() > maxBytes) {
            r = FetchResult{std::nullopt, QStringLiteral("too large")};
        }
        done(r);
    }

    QHash<QUrl, FetchResult> answers;
    std::vector<QUrl> requests;
    std::vector<std::chrono::milliseconds> deadlines;
};

}  // namespace lumenor
