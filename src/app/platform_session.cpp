#include "app/platform_session.h"

#include <QApplication>

#include "app/app_platforms_qt.h"
#include "app/refresh_links.h"
#include "audio/marker_stream.h"
#include "audio/rtaudio_stream.h"
#include "core/app_id.h"
#include "core/log.h"
#include "core/user_settings.h"
#include "displays/xrandr_display_platform.h"
#include "webview/web_view_host.h"

namespace lumenor {

namespace {

std::unique_ptr<QCoreApplication> makeApplication(QtUse use, cli::QtArguments& args) {
    std::unique_ptr<QCoreApplication> app;
    switch (use) {
        case QtUse::core:
            app = std::make_unique<QCoreApplication>(args.argc(), args.argv());
            break;
        case QtUse::gui:
            app = std::make_unique<QGuiApplication>(args.argc(), args.argv());
            break;
        case QtUse::desktop:
            prepareWebEngine();
            app = std::make_unique<QApplication>(args.argc(), args.argv());
            break;
        case QtUse::widgets:
            app = std::make_unique<QApplication>(args.argc(), args.argv());
            break;
    }
    applyAppIdentity();
    return app;
}

}  // namespace

PlatformSession::PlatformSession(char* program, QtUse use, std::unique_ptr<DisplayPlatform> display)
    : qtArgs_(program), app_(makeApplication(use, qtArgs_)), display_(std::move(display)) {}

PlatformSession::~PlatformSession() = default;

std::unique_ptr<PlatformSession> PlatformSession::openOrExplain(char* program, QtUse use) {
    // First, so that what opening the display finds out (Xwayland or not) is logged where
    // the rest of the run's log goes.
    installLogHandler();
    std::unique_ptr<XrandrConnection> connection = cli::openXOrExplain();
    if (!connection) {
        return nullptr;
    }
    if (use != QtUse::core) {
        cli::useX11Platform();
    }
    return std::unique_ptr<PlatformSession>(new PlatformSession(
        program, use, std::make_unique<XrandrDisplayPlatform>(std::move(connection))));
}

DisplayService& PlatformSession::displays() {
    if (!displays_) {
        displays_ = std::make_unique<DisplayService>(std::move(display_));
        displays_->refresh();
    }
    return *displays_;
}

std::optional<AppPlatforms> PlatformSession::appPlatformsOrExplain(PlatformUse use) {
    std::unique_ptr<XrandrModePlatform> modes = cli::openModePlatformOrExplain();
    if (!modes || !display_) {
        return std::nullopt;
    }
    AppPlatforms p;
    p.display = std::move(display_);
    p.mode = std::move(modes);
    p.refreshLinks = makeRefreshLinkFactory(*p.display);
    p.signalStream = std::make_unique<RtAudioStream>(QStringLiteral("Lumenor test signal"));
    p.clickStream = makeMarkerStream(QStringLiteral("Lumenor sync markers"));
    if (use == PlatformUse::desktop) {
        addDesktopServices(p);
    } else {
        // A command keeps nothing: its settings last as long as it runs.
        p.settings = openUserSettings();
    }
    return p;
}

}  // namespace lumenor
