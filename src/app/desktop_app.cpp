#include "app/desktop_app.h"

#include <QApplication>
#include <QIcon>

#include "app/app_delegate.h"
#include "app/cli/cli_support.h"
#include "app/cli/stop_signals.h"
#include "core/app_id.h"
#include "core/log.h"
#include "core/resources.h"
#include "app/desktop_platforms.h"
#include "app/single_instance.h"
#include "webview/web_view_host.h"

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
    std::unique_ptr<XrandrConnection> connection = cli::openXOrExplain();
    if (!connection) {
        return cli::kExitEnvironment;
    }
    cli::useX11Platform();
    prepareWebEngine();
    cli::QtArguments qtArgs(program);
    QApplication app(qtArgs.argc(), qtArgs.argv());
    applyAppIdentity();
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
    std::optional<AppPlatforms> platforms = makeDesktopPlatforms(std::move(connection));
    if (!platforms) {
        return cli::kExitEnvironment;
    }
    AppDelegate delegate(std::move(*platforms));
    instance->onActivate = [&delegate] { delegate.raiseController(); };
    if (!delegate.applicationDidFinishLaunching()) {
        return cli::kExitOk;
    }
    // Ctrl-C in a terminal, a polite kill or a hang-up end Lumenor as closing it does.
    const cli::StopSignals stopSignals([] { QApplication::quit(); });
    return QApplication::exec() == 0 ? cli::kExitOk : cli::kExitEnvironment;
}

}  // namespace lumenor
