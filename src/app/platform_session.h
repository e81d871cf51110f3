#pragma once

#include <QCoreApplication>

#include <memory>
#include <optional>

#include "app/app_platforms.h"
#include "app/cli/cli_support.h"
#include "app/platform_choice.h"
#include "displays/display_platform.h"
#include "displays/display_service.h"
#include "displays/mutter_display_config_qt.h"

namespace lumenor {

// The kind of Qt application a run needs: windows with web pages (the desktop application),
// windows, screens alone, or neither.
enum class QtUse { core, gui, widgets, desktop };

// Who the core's platforms are for: the desktop application keeps the user's preferences and
// reaches the clipboard, dialogs, the browser and the wake signal; a command does not.
enum class PlatformUse { command, desktop };

// One run of Lumenor on the desktop's windowing platform. The platform is chosen here, and
// here alone (X11, or GNOME's Wayland natively; see choosePlatform): its connection, the Qt
// application made for it, and the display, mode, refresh-link and guardian services the core
// and the commands are given.
class PlatformSession {
  public:
    // Routes the log, opens the platform's connection and makes the Qt application; none,
    // after a message, where there is no display server to use.
    static std::unique_ptr<PlatformSession> openOrExplain(char* program, QtUse use);
    ~PlatformSession();
    PlatformSession(const PlatformSession&) = delete;
    PlatformSession& operator=(const PlatformSession&) = delete;

    // The display list, made on first use (for the commands that only read it).
    DisplayService& displays();
    // The mode list and apply transaction, with their guardian; none after a message.
    std::unique_ptr<ModePlatform> modePlatformOrExplain();
    // The services the core runs on, the display platform among them (so not with
    // displays()); none, after a message, when the mode platform cannot be opened.
    std::optional<AppPlatforms> appPlatformsOrExplain(PlatformUse use);

    QCoreApplication& app() { return *app_; }
    WindowingBackend backend() const { return backend_; }

  private:
    PlatformSession(char* program, QtUse use, WindowingBackend backend,
                    std::unique_ptr<XrandrConnection> x11);

    WindowingBackend backend_;
    cli::QtArguments qtArgs_;
    std::unique_ptr<QCoreApplication> app_;
    std::unique_ptr<DisplayPlatform> display_;
    std::unique_ptr<DisplayService> displays_;
    // On GNOME's Wayland desktop, shared by the display and mode platforms, so that the mode
    // list a display change brings asks the compositor nothing the change's read has answered.
    std::optional<MutterDisplayConfig> mutter_;
};

// The platform to run on, chosen once a process (and logged once); none, after a message,
// where it cannot be used.
std::optional<WindowingBackend> chooseBackendOrExplain();

// A display platform of its own for the chosen backend (to look a display up by name before
// a session starts); none after a message.
std::unique_ptr<DisplayPlatform> openDisplayPlatformOrExplain();

}  // namespace lumenor
