#pragma once

#include <QObject>

#include <memory>

#include "app/app_core.h"
#include "app/app_platforms.h"
#include "controller/controller_window_controller.h"
#include "onboarding/eula_window_controller.h"
#include "onboarding/preferences_window_controller.h"

class QWidget;

namespace lumenor {

// The desktop application: the core with its windows (the licence agreement, the controller
// window and its menu, the preferences), the keyboard shortcuts, the wake from sleep and the
// update service. Main thread only.
class AppDelegate {
  public:
    explicit AppDelegate(DesktopPlatforms platforms);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // The launch sequence. False when the licence agreement was declined: then nothing was
    // opened or started and the application should end with status 0.
    bool applicationDidFinishLaunching();
    // Brings the controller window, or the agreement while it waits for a decision, to the
    // front (a second launch asked for it, with its launcher's activation token if any).
    void raiseController(const QString& activationToken = {});

    // Menu actions.
    void showPreferences();
    void checkForUpdates();
    void showTutorial();
    void showLicenceAgreement();

    AppCore& core() { return core_; }
    ControllerWindowController* controller() { return controller_.get(); }

  private:
    // Lets the core ask which display holds the controller window, unless told already.
    AppPlatforms withControllerDisplay(AppPlatforms platforms);
    bool passAgreementGate();
    void createControllerWindow();
    void send(const QString& script);
    // The core's reports go to the controller page.
    CoreReports pageReports();

    std::unique_ptr<UpdaterController> updater_;
    std::function<bool()> askAgreement_;
    PageSink page_;
    AppCore core_;
    std::unique_ptr<ControllerWindowController> controller_;  // made at launch
    std::unique_ptr<PreferencesWindowController> preferencesWindow_;
    std::unique_ptr<EULAWindowController> eulaViewer_;
    std::unique_ptr<QObject> keyboardMonitor_;
    QWidget* agreementGate_ = nullptr;  // while the agreement asks for a decision
};

}  // namespace lumenor
