#include "app/platform_session.h"

#include <QApplication>
#include <QDBusConnection>
#include <QFileInfo>

#include <cstdlib>

#include "app/app_platforms_qt.h"
#include "app/refresh_links.h"
#include "audio/marker_stream.h"
#include "audio/rtaudio_stream.h"
#include "core/app_id.h"
#include "core/log.h"
#include "core/user_settings.h"
#include "displays/mutter_display_platform.h"
#include "displays/mutter_mode_platform.h"
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

// Asked before the Qt application exists (the Qt platform depends on the answer), on a
// connection of its own that goes again at once.
bool sessionBusOffersDisplayConfig() {
    // Without an address libdbus would start a bus of its own for the X display; a session
    // with no bus has no GNOME compositor on it either.
    const QString userBus = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") &&
        (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") || !QFileInfo::exists(userBus))) {
        return false;
    }
    const QString name = QStringLiteral("lumenor-platform-probe");
    bool offered = false;
    {
        const QDBusConnection bus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
        offered = MutterDisplayConfig(bus).available();
    }
    QDBusConnection::disconnectFromBus(name);
    return offered;
}

const char* modeGuardianProgram() {
    // The kernel's name for our own executable, so the guardian is this very build.
    return "/proc/self/exe";
}

}  // namespace

std::optional<WindowingBackend> chooseBackendOrExplain() {
    static const PlatformChoice choice = [] {
        PlatformChoice c = choosePlatform(QString::fromLocal8Bit(qgetenv("LUMENOR_PLATFORM")),
                                          !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"),
                                          sessionBusOffersDisplayConfig);
        const char* where =
            c.backend == WindowingBackend::gnomeWayland ? "Wayland (GNOME), natively" : "X11";
        // Said where there was a choice to make; an X session is the plain case, and a
        // Wayland session with no X display to fall back on gets one error line instead.
        const bool xFallbackMissing =
            c.backend == WindowingBackend::x11 && qEnvironmentVariableIsEmpty("DISPLAY");
        if (c.overridden ||
            (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !xFallbackMissing)) {
            qCInfo(logDisplay, "running on %s: %s", where, qPrintable(c.reason));
        } else {
            qCDebug(logDisplay, "running on %s: %s", where, qPrintable(c.reason));
        }
        return c;
    }();
    if (choice.backend == WindowingBackend::gnomeWayland && choice.overridden &&
        !sessionBusOffersDisplayConfig()) {
        cli::printError(QStringLiteral(
            "LUMENOR_PLATFORM=wayland needs GNOME's display configuration on the session bus, "
            "and there is none"));
        return std::nullopt;
    }
    return choice.backend;
}

std::unique_ptr<DisplayPlatform> openDisplayPlatformOrExplain() {
    const std::optional<WindowingBackend> backend = chooseBackendOrExplain();
    if (!backend) {
        return nullptr;
    }
    if (*backend == WindowingBackend::gnomeWayland) {
        // Perhaps before the Qt application exists: a connection of its own.
        return std::make_unique<MutterDisplayPlatform>(
            MutterDisplayConfig(QDBusConnection::connectToBus(
                QDBusConnection::SessionBus, QStringLiteral("lumenor-display-lookup"))));
    }
    std::unique_ptr<XrandrConnection> connection = cli::openXOrExplain();
    return connection ? std::make_unique<XrandrDisplayPlatform>(std::move(connection)) : nullptr;
}

PlatformSession::PlatformSession(char* program, QtUse use, WindowingBackend backend,
                                 std::unique_ptr<XrandrConnection> x11)
    : backend_(backend), qtArgs_(program), app_(makeApplication(use, qtArgs_)) {
    if (x11) {
        display_ = std::make_unique<XrandrDisplayPlatform>(std::move(x11));
    } else {
        mutter_.emplace();
        display_ = std::make_unique<MutterDisplayPlatform>(*mutter_);
    }
}

PlatformSession::~PlatformSession() = default;

std::unique_ptr<PlatformSession> PlatformSession::openOrExplain(char* program, QtUse use) {
    // First, so that what opening the display finds out (Xwayland or not) is logged where
    // the rest of the run's log goes.
    installLogHandler();
    const std::optional<WindowingBackend> backend = chooseBackendOrExplain();
    if (!backend) {
        return nullptr;
    }
    std::unique_ptr<XrandrConnection> connection;
    if (*backend == WindowingBackend::x11) {
        connection = cli::openXOrExplain();
        if (!connection) {
            return nullptr;
        }
    }
    if (use != QtUse::core) {
        cli::useQtPlatform(*backend == WindowingBackend::x11 ? "xcb" : "wayland");
    }
    return std::unique_ptr<PlatformSession>(
        new PlatformSession(program, use, *backend, std::move(connection)));
}

DisplayService& PlatformSession::displays() {
    if (!displays_) {
        displays_ = std::make_unique<DisplayService>(std::move(display_));
        displays_->refresh();
    }
    return *displays_;
}

std::unique_ptr<ModePlatform> PlatformSession::modePlatformOrExplain() {
    if (backend_ == WindowingBackend::gnomeWayland) {
        return std::make_unique<MutterModePlatform>(
            mutter_.value_or(MutterDisplayConfig()), QString::fromLatin1(modeGuardianProgram()),
            QStringList{QLatin1String(cli::kGnomeModeGuardianCommand)},
            QString::fromLocal8Bit(qgetenv("DBUS_SESSION_BUS_ADDRESS")));
    }
    return cli::openModePlatformOrExplain();
}

std::optional<AppPlatforms> PlatformSession::appPlatformsOrExplain(PlatformUse use) {
    std::unique_ptr<ModePlatform> modes = modePlatformOrExplain();
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
