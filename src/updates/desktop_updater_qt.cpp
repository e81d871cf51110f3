#include <QStandardPaths>
#include <QSysInfo>

#include "core/app_id.h"
#include "core/user_settings.h"
#include "updates/desktop_updater.h"
#include "updates/network_update_fetcher_qt.h"
#include "updates/update_prompt_qt.h"

namespace lumenor {

UpdatePlatform thisPlatform() {
    // Qt's names for the processors Debian builds for, in Debian's words.
    const QString cpu = QSysInfo::buildCpuArchitecture();
    QString arch = cpu;
    if (cpu == QLatin1String("x86_64")) {
        arch = QStringLiteral("amd64");
    } else if (cpu == QLatin1String("arm")) {
        arch = QStringLiteral("armhf");
    } else if (cpu == QLatin1String("power64")) {
        arch = QStringLiteral("ppc64el");
    }
    return UpdatePlatform{QStringLiteral("linux"), arch, QSysInfo::productVersion(), {}};
}

std::unique_ptr<UpdaterController> makeDesktopUpdater() {
    UpdaterController::Services services;
    services.fetcher = std::make_unique<NetworkUpdateFetcher>();
    services.prompt = std::make_unique<DesktopUpdatePrompt>();
    services.settings = openUserSettings();
    services.downloadFolder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    services.platform = thisPlatform();
    UpdatesConfig config = defaultUpdatesConfig();
    // A mirror of the feed may stand in; what it offers must still be signed by our key.
    const QString feed = qEnvironmentVariable(kUpdateFeedVariable);
    if (!feed.isEmpty()) {
        config.feedURL = QUrl(feed);
    }
    return std::make_unique<UpdaterController>(config, std::move(services),
                                               QLatin1String(kVersion));
}

}  // namespace lumenor
