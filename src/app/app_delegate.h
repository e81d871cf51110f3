#pragma once

#include <memory>

#include "app/app_state.h"
#include "displays/display_service.h"

class QWidget;

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

  private:
    void displaysDidChange(const std::vector<DisplayInfo>& displays);

    std::unique_ptr<QWidget> controllerWindow_;
};

}  // namespace lumenor
