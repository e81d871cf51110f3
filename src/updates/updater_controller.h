#pragma once

#include <QDateTime>
#include <QSettings>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

#include "updates/update_choice.h"
#include "updates/update_fetcher.h"
#include "updates/update_prompt.h"
#include "updates/updates_config.h"

namespace lumenor {

// Lumenor's update service: reads the feed, offers a newer release, downloads it, checks its
// length, the signed offer and the package's own fields, and hands the file on. A check from the
// menu says how it ended; an automatic one (off until turned on, then at most once a day) speaks
// only to offer an update. Main thread only.
class UpdaterController {
  public:
    // How long a fetch may take in all, however steadily the server trickles.
    struct Deadlines {
        std::chrono::milliseconds feed{60000};
        // The package's: this, and a second for every `slowestBytesPerSecond` of its length.
        std::chrono::milliseconds packageBase{60000};
        qint64 slowestBytesPerSecond = qint64{32} * 1024;

        std::chrono::milliseconds package(qint64 length) const;
    };

    struct Services {
        std::unique_ptr<UpdateFetcher> fetcher;
        std::unique_ptr<UpdatePrompt> prompt;
        // Keeps the automatic switch and the time of the last check.
        std::unique_ptr<QSettings> settings;
        QString downloadFolder;  // where verified packages are written
        UpdatePlatform platform;
        std::function<QDateTime()> now;  // the clock; the system's when unset
        Deadlines deadlines = {};
    };

    UpdaterController(UpdatesConfig config, Services services, QString running);
    ~UpdaterController();
    UpdaterController(const UpdaterController&) = delete;
    UpdaterController& operator=(const UpdaterController&) = delete;

    // The check the operator asked for: it always ends in a dialog or a sentence.
    void checkForUpdates();

    bool automaticallyChecksForUpdates() const;
    void setAutomaticallyChecksForUpdates(bool on);

    // Starts the schedule: a check now when one is due, then a look every hour.
    void start();
    // An automatic check, when they are on and the last check is a day old or more.
    void checkIfDue();

    bool busy() const { return busy_; }
    const UpdatesConfig& config() const { return config_; }

  private:
    void check(bool byOperator);
    void feedArrived(const FetchResult& result, bool byOperator);
    void download(const AppcastItem& item);
    void downloaded(const FetchResult& result, const AppcastItem& item);
    void fail(const QString& sentence, bool byOperator);
    QDateTime now() const;

    UpdatesConfig config_;
    Services services_;
    QString running_;
    bool busy_ = false;
    bool byOperator_ = false;  // an operator's check joined the one running
    std::unique_ptr<QTimer> schedule_;
};

}  // namespace lumenor
