#include "updates/updater_controller.h"

#include <QDir>
#include <QSaveFile>

#include "core/log.h"
#include "updates/appcast.h"
#include "updates/package_fields.h"

namespace lumenor {
namespace {

constexpr const char* kAutomaticKey = "updates/automaticChecks";
constexpr const char* kLastCheckKey = "updates/lastCheck";
constexpr qint64 kSecondsPerDay = 24LL * 60 * 60;
constexpr int kScheduleMs = 60 * 60 * 1000;
constexpr qint64 kMaxFeedBytes = 1024LL * 1024;
constexpr qint64 kMaxPackageBytes = 512LL * 1024 * 1024;

// The file name the package is kept under, made only of the characters a Debian version or
// architecture may hold: nothing the feed says can make it a path.
QString packageFileName(const AppcastItem& item, const QString& arch) {
    const auto plain = [](const QString& text) {
        QString kept;
        for (const QChar c : text) {
            if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                QStringView(u".+~-").contains(c)) {
                kept += c;
            }
        }
        return kept;
    };
    const QString version = item.version.isEmpty() ? item.shortVersion : item.version;
    return QStringLiteral("lumenor_%1_%2.deb").arg(plain(version), plain(arch));
}

}  // namespace

std::chrono::milliseconds UpdaterController::Deadlines::package(qint64 length) const {
    return packageBase + std::chrono::milliseconds(length * 1000 / slowestBytesPerSecond);
}

UpdaterController::UpdaterController(UpdatesConfig config, Services services, QString running)
    : config_(std::move(config)), services_(std::move(services)), running_(std::move(running)) {
    services_.platform.channels = allowedChannels(config_);
}

UpdaterController::~UpdaterController() = default;

bool UpdaterController::automaticallyChecksForUpdates() const {
    return services_.settings->value(QLatin1String(kAutomaticKey), false).toBool();
}

void UpdaterController::setAutomaticallyChecksForUpdates(bool on) {
    services_.settings->setValue(QLatin1String(kAutomaticKey), on);
    services_.settings->sync();
    if (on && schedule_) {
        checkIfDue();
    }
}

void UpdaterController::start() {
    if (schedule_) {
        return;
    }
    schedule_ = std::make_unique<QTimer>();
    schedule_->setInterval(kScheduleMs);
    QObject::connect(schedule_.get(), &QTimer::timeout, [this] { checkIfDue(); });
    schedule_->start();
    checkIfDue();
}

void UpdaterController::checkIfDue() {
    if (!automaticallyChecksForUpdates() || busy_) {
        return;
    }
    const QVariant last = services_.settings->value(QLatin1String(kLastCheckKey));
    const qint64 now = this->now().toSecsSinceEpoch();
    // A last check in the future (a clock set back) counts as long ago.
    if (last.isValid() && last.toLongLong() <= now && now - last.toLongLong() < kSecondsPerDay) {
        return;
    }
    check(false);
}

void UpdaterController::checkForUpdates() {
    if (busy_) {
        byOperator_ = true;  // the running check now answers the operator as well
        return;
    }
    check(true);
}

void UpdaterController::check(bool byOperator) {
    busy_ = true;
    byOperator_ = byOperator;
    services_.settings->setValue(QLatin1String(kLastCheckKey), now().toSecsSinceEpoch());
    services_.settings->sync();
    services_.fetcher->get(config_.feedURL, kMaxFeedBytes, services_.deadlines.feed,
                           [this](const FetchResult& r) { feedArrived(r, byOperator_); });
}

void UpdaterController::feedArrived(const FetchResult& result, bool byOperator) {
    if (!result.body) {
        fail(QStringLiteral("Lumenor could not check for updates: %1.").arg(result.error),
             byOperator);
        return;
    }
    const AppcastParse feed = parseAppcast(*result.body);
    if (feed.error) {
        fail(QStringLiteral("The update feed is not well-formed, so Lumenor could not read it: "
                            "%1.")
                 .arg(*feed.error),
             byOperator);
        return;
    }
    const UpdateChoice choice = chooseUpdate(feed.items, running_, services_.platform);
    if (choice.kind == UpdateChoice::Kind::upToDate) {
        busy_ = false;
        qCInfo(logApp, "updates: Lumenor %s is up to date", qPrintable(running_));
        if (byOperator) {
            services_.prompt->tell(QStringLiteral("Lumenor is up to date."));
        }
        return;
    }
    if (choice.kind == UpdateChoice::Kind::refused) {
        fail(choice.message, byOperator);
        return;
    }
    if (choice.item->enclosure->length > kMaxPackageBytes) {
        fail(QStringLiteral("The update to Lumenor %1 is larger than a package of Lumenor can "
                            "be, so Lumenor will not offer it.")
                 .arg(choice.item->displayVersion()),
             byOperator);
        return;
    }
    const AppcastItem item = *choice.item;
    qCInfo(logApp, "updates: Lumenor %s is available", qPrintable(item.displayVersion()));
    services_.prompt->offer(item, running_, [this, item](bool wanted) {
        if (wanted) {
            download(item);
        } else {
            busy_ = false;
        }
    });
}

void UpdaterController::download(const AppcastItem& item) {
    services_.fetcher->get(item.enclosure->url, item.enclosure->length,
                           services_.deadlines.package(item.enclosure->length),
                           [this, item](const FetchResult& r) { downloaded(r, item); });
}

void UpdaterController::downloaded(const FetchResult& result, const AppcastItem& item) {
    // The operator chose "Download": from here on every outcome is told.
    if (!result.body) {
        fail(QStringLiteral("Lumenor could not download the update: %1.").arg(result.error), true);
        return;
    }
    // The signed claims first, then whether the package itself says it is what they claim.
    std::optional<QString> wrong = checkDownload(*result.body, item, config_.publicKey);
    if (!wrong) {
        wrong = checkPackageFields(*result.body, item);
    }
    if (wrong) {
        fail(*wrong, true);
        return;
    }
    QDir().mkpath(services_.downloadFolder);
    const QString path =
        QDir(services_.downloadFolder).filePath(packageFileName(item, services_.platform.arch));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*result.body) != result.body->size() ||
        !file.commit()) {
        fail(QStringLiteral("Lumenor could not save the update in %1: %2.")
                 .arg(services_.downloadFolder, file.errorString()),
             true);
        return;
    }
    busy_ = false;
    qCInfo(logApp, "updates: verified %s, handed to the package installer", qPrintable(path));
    services_.prompt->handOn(path);
}

void UpdaterController::fail(const QString& sentence, bool byOperator) {
    busy_ = false;
    qCWarning(logApp, "updates: %s", qPrintable(sentence));
    if (byOperator) {
        services_.prompt->tell(sentence);
    }
}

QDateTime UpdaterController::now() const {
    return services_.now ? services_.now() : QDateTime::currentDateTimeUtc();
}

}  // namespace lumenor
