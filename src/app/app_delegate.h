#pragma once

#include <memory>

#include "app/app_state.h"
#include "controller/controller_window_controller.h"
#include "displays/display_service.h"

namespace lumenor {

// The application core: owns the state and every service, and wires them at launch.
class AppDelegate {
  public:
    explicit AppDelegate(std::unique_ptr<DisplayPlatform> displayPlatform);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    void applicationDidFinishLaunching();

    AppState state;
    DisplayService displayService;

    // Made at launch, kept for the life of the process.
    std::unique_ptr<ControllerWindowController> controller;

  private:
    void displaysDidChange(const std::vector<DisplayInfo>& displays);
    void handle(const Verb& verb);
};

}  // namespace lumenor
