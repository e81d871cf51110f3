#include "app/desktop_app.h"

#include <QApplication>

#include "app/app_delegate.h"
#include "app/cli/cli_support.h"
#include "app/core/app_id.h"
#include "app/core/log.h"
#include "displays/xrandr_display_platform.h"
#include "webview/web_view_host.h"

namespace lumenor {

int runDesktopApp(char* program) {
    // First, so that what opening the display finds out reaches the log.
    installLogHandler();
    std::unique_ptr<XrandrConnection> connection = cli::openXOrExplain();
    if (!connection) {
        return cli::kExitEnvironment;
    }
    cli::useX11Platform();
    prepareWebEngine();
    cli::QtArguments qtArgs(program);
    QApplication app(qtArgs.argc(), qtArgs.argv());
    applyAppIdentity();
    QApplication::setQuitOnLastWindowClosed(true);

    AppDelegate delegate(std::make_unique<XrandrDisplayPlatform>(std::move(connection)));
    delegate.applicationDidFinishLaunching();
    return QApplication::exec() == 0 ? 0 : 1;
}

}  // namespace lumenor
