#include "app/cli/x_session.h"

#include <QApplication>

#include "core/app_id.h"
#include "core/log.h"
#include "displays/xrandr_display_platform.h"

namespace lumenor::cli {

namespace {

std::unique_ptr<QCoreApplication> makeApplication(QtUse use, QtArguments& args) {
    std::unique_ptr<QCoreApplication> app;
    switch (use) {
        case QtUse::core:
            app = std::make_unique<QCoreApplication>(args.argc(), args.argv());
            break;
        case QtUse::gui:
            app = std::make_unique<QGuiApplication>(args.argc(), args.argv());
            break;
        case QtUse::widgets:
            app = std::make_unique<QApplication>(args.argc(), args.argv());
            break;
    }
    applyAppIdentity();
    return app;
}

}  // namespace

XSession::XSession(char* program, QtUse use, std::unique_ptr<XrandrConnection> connection)
    : qtArgs(program),
      app(makeApplication(use, qtArgs)),
      displays(std::make_unique<XrandrDisplayPlatform>(std::move(connection))) {
    displays.refresh();
}

std::unique_ptr<XSession> openXSessionOrExplain(char* program, QtUse use) {
    // First, so that what opening the display finds out (Xwayland or not) is logged where
    // the rest of the command's log goes.
    installLogHandler();
    std::unique_ptr<XrandrConnection> connection = openXOrExplain();
    if (!connection) {
        return nullptr;
    }
    if (use != QtUse::core) {
        useX11Platform();
    }
    return std::make_unique<XSession>(program, use, std::move(connection));
}

}  // namespace lumenor::cli
