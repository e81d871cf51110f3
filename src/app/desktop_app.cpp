#include "app/desktop_app.h"

#include <QApplication>
#include <QIcon>

#include "app/app_delegate.h"
#include "app/cli/cli_support.h"
#include "app/cli/stop_signals.h"
#include "app/platform_session.h"
#include "app/single_instance.h"
#include "core/app_id.h"
#include "core/log.h"
#include "core/resources.h"
#include "updates/desktop_updater.h"

namespace lumenor {

int runDesktopApp(char* program) {
    // First, so that what opening the display finds out reaches the log.
    installLogHandler();
    // Without its pages every window would open blank; say so instead.
    if (!pagePath(QStringLiteral("controller.html"))) {
        cli::printError(QStringLiteral("cannot find the application's pages: there is no "
                                       "share/lumenor/pages above this program (%1 names "
                                       "another data folder)")
                            .arg(QLatin1String(kDataDirVariable)));
        return cli::kExitEnvironment;
    }
    const std::unique_ptr<PlatformSession> session =
        PlatformSession::openOrExplain(program, QtUse::desktop);
    if (!session) {
        return cli::kExitEnvironment;
    }
    // The desktop entry and icon that the window manager and task bars show us with.
    QGuiApplication::setDesktopFileName(QLatin1String(kAppId));
    QGuiApplication::setWindowIcon(QIcon::fromTheme(QLatin1String(kAppId)));
    QApplication::setQuitOnLastWindowClosed(true);

    // One Lumenor per desktop session: a second one only raises the first.
    bool raised = false;
    std::unique_ptr<SingleInstance> instance = SingleInstance::claim(&raised);
    if (!instance) {
        if (raised) {
            cli::tellTerminal(
                QStringLiteral("Lumenor is already running; its window was brought to the front"));
        }
        return cli::kExitOk;
    }
    std::optional<AppPlatforms> platforms = session->appPlatformsOrExplain(PlatformUse::desktop);
    if (!platforms) {
        return cli::kExitEnvironment;
    }
    DesktopPlatforms desktop;
    desktop.core = std::move(*platforms);
    desktop.updater = makeDesktopUpdater();
    AppDelegate delegate(std::move(desktop));
    instance->onActivate = [&delegate](const QString& token) { delegate.raiseController(token); };
    if (!delegate.applicationDidFinishLaunching()) {
        return cli::kExitOk;
    }
    // Ctrl-C in a terminal, a polite kill or a hang-up end Lumenor as closing it does.
    const cli::StopSignals stopSignals([] { QApplication::quit(); });
    return QApplication::exec() == 0 ? cli::kExitOk : cli::kExitEnvironment;
}

}  // namespace lumenor
