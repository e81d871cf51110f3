#pragma once

#include <QStringList>

#include <optional>

#include "updates/update_prompt.h"

namespace lumenor {

// Records what would be shown; answers an offer with `answer` at once, or keeps the decision
// for the test to make when `answer` is none.
class FakeUpdatePrompt : public UpdatePrompt {
  public:
    void offer(const AppcastItem& item, const QString& running,
               std::function<void(bool)> decided) override {
        offered.push_back(item);
        offeredOver = running;
        if (answer) {
            decided(*answer);
        } else {
            pending = std::move(decided);
        }
    }
    void tell(const QString& sentence) override { told << sentence; }
    void handOn(const QString& path) override { handedOn << path; }

    std::optional<bool> answer = true;
    std::function<void(bool)> pending;
    std::vector<AppcastItem> offered;
    QString offeredOver;
    QStringList told;
    QStringList handedOn;
};

}  // namespace lumenor
