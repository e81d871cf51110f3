#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

#include "app/app_platforms.h"
#include "app/app_state.h"
#include "audio/audio_generator.h"
#include "controller/controller_window_controller.h"
#include "displays/display_service.h"
#include "displays/revert_coordinator.h"
#include "onboarding/agreement_store.h"
#include "onboarding/eula_window_controller.h"
#include "onboarding/onboarding_store.h"
#include "onboarding/preferences_window_controller.h"
#include "onboarding/telemetry_controller.h"
#include "output/display_identifier.h"
#include "output/output_window_controller.h"
#include "profiles/preset_store.h"

class QWidget;

namespace lumenor {

class CalibrationSession;

// The application core: owns the state and one instance of every service, wires them at
// launch and carries out every command through handle(). Building it starts nothing. Main
// thread only.
class AppDelegate {
  public:
    explicit AppDelegate(AppPlatforms platforms);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // The launch sequence. False when the licence agreement was declined: then nothing was
    // opened or started and the application should end with status 0.
    bool applicationDidFinishLaunching();

    void handle(const Verb& verb);
    void displaysDidChange(const std::vector<DisplayInfo>& displays);
    std::optional<DisplayInfo> resolveOutputDisplay() const;
    std::optional<DisplayInfo> selectedDisplay() const;
    void pushModes();

    // The remote's commands, mapped onto verbs.
    void remoteCommand(const QString& command, const RemoteParams& params);
    void systemDidWake();
    void pushRemoteStatus(const std::optional<QString>& url, const QString& pin,
                          const std::optional<QString>& qr);
    // Brings the controller window, or the agreement while it waits for a decision, to the
    // front (a second launch asked for it).
    void raiseController();

    // Menu actions.
    void showPreferences();
    void checkForUpdates();
    void showTutorial();
    void showLicenceAgreement();

    bool isEditing() const { return isEditing_; }
    bool autoCycleRunning() const { return autoCycleTimer_ != nullptr; }
    int autoCycleIndex() const { return autoCycleIndex_; }

  private:
    AppPlatforms platforms_;

  public:
    // The services, built in this order.
    AppState state;
    DisplayService displayService;
    RevertCoordinator revert;
    OutputWindowController output;
    DisplayIdentifier identifier;
    AudioGenerator audio;
    PresetStore presets;
    RemoteServer remote;
    std::unique_ptr<ControllerWindowController> controller;  // made at launch

  private:
    void send(const QString& script);
    void wireCallbacks();
    bool passAgreementGate();
    void createControllerWindow();

    // Verb families (app_verbs.cpp, app_output_verbs.cpp, app_profiles.cpp, app_extras.cpp).
    void showOutputOn(const DisplayInfo& display, Pattern pattern);
    void hideOutput();
    void showPattern(const QString& name);
    void cyclePattern(std::int64_t delta);
    void showOutput(bool on);
    void showInfo(bool on);
    void setMirror(bool on);
    // Makes `pattern` the active one and shows it, bringing up a hidden output (blank, a
    // slate logo); stops the auto-cycle.
    void putOnOutput(Pattern pattern);
    void redrawBounceViews();
    void setTimecodeFps(std::int64_t fps);
    void setAudio(const verbs::SetAudio& v);
    // Held to the range `show --av-offset` takes, kept in the preferences, and sent back so
    // that the page shows what is in force.
    void setSyncOffset(double ms);
    void restoreSyncOffset();
    void openURL(const QString& text);
    void setRemote(bool on);
    void tourEvent(bool skipped);
    void ready();
    void applyMode(std::int32_t id);
    void beginTrial(const DisplayInfo& display, const ModeInfo& target);
    void saveProfile(const QString& name);
    void loadProfile(const QString& name);
    void restoreProfileMode(const Profile& profile);
    void startAutoCycle();
    void stopAutoCycle();
    void advanceAutoCycle();
    void copyReport();
    void pickSlateLogo();
    void useSlateImage(const QString& path);
    // app_calibration.cpp
    void startCalibration(const verbs::StartCalibration& v);
    void stopCalibration();
    void refuseCalibration(const QString& why);
    // True, after saying so on the page, while a session's patches are on `display`.
    bool patchesHold(DisplayId display);
    void calibrationDisplaysChanged(const std::vector<DisplayInfo>& displays);

    AgreementStore& agreementStore();
    OnboardingStore& onboardingStore();
    TelemetryController& telemetry();

    std::unique_ptr<QTimer> autoCycleTimer_;
    int autoCycleIndex_ = 0;
    bool isEditing_ = false;
    bool pageReady_ = false;
    std::unique_ptr<PreferencesWindowController> preferencesWindow_;
    std::unique_ptr<EULAWindowController> eulaViewer_;
    std::unique_ptr<QObject> keyboardMonitor_;
    QWidget* agreementGate_ = nullptr;  // while the agreement asks for a decision
    // The mode to go back to while a trial runs: the one from before the first of several
    // trials on the same display.
    std::optional<ModeInfo> trialSnapshot_;

    std::unique_ptr<AgreementStore> agreementStore_;
    std::unique_ptr<OnboardingStore> onboardingStore_;
    std::unique_ptr<TelemetryController> telemetry_;
    std::unique_ptr<UpdaterController> updater_;       // taken at launch
    std::unique_ptr<CalibrationSession> calibration_;  // while a session runs
    std::unique_ptr<CalibrationSession> endedCalibration_;
    QObject releaseEnded_;  // lets an ended session go once its caller has returned
    DisplayId calibrationDisplay_ = 0;
    std::int64_t calibrationPatches_ = 0;
};

}  // namespace lumenor
