#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "app/app_platforms.h"
#include "app/app_state.h"
#include "app/auto_cycle.h"
#include "app/calibration_control.h"
#include "app/display_memory.h"
#include "app/mode_trials.h"
#include "app/output_control.h"
#include "app/profile_verbs.h"
#include "app/remote_control.h"
#include "audio/audio_generator.h"
#include "controller/verb.h"
#include "displays/display_service.h"
#include "displays/revert_coordinator.h"
#include "onboarding/agreement_store.h"
#include "onboarding/onboarding_store.h"
#include "onboarding/telemetry_controller.h"
#include "output/display_identifier.h"
#include "output/output_window_controller.h"
#include "output/trial_card_view.h"
#include "profiles/preset_store.h"

namespace lumenor {

// What the core reports to whoever runs it: the page scripts for the controller window, and
// for the command line the events it prints. Each may be unset.
struct CoreReports {
    PageSink page;
    std::function<void(double hz, int dropped, bool steady)> frame;
    std::function<void()> frameTimingUnavailable;
    std::function<void(bool shown)> outputShown;
    // A phone's command, once carried out.
    std::function<void(const Verb& verb)> remoteVerb;
    RemoteServer::Completion remoteStarted;
    std::function<void(const QString& peer)> calibrationConnected;
    std::function<void(const ShownPatch&)> calibrationShown;
    std::function<void(const QString& why)> calibrationRefused;
    std::function<void(SessionEnd how, const QString& peer, const QString& why)> calibrationEnded;
};

// The application core: the state, one instance of every service and the one dispatcher that
// carries out every command, wherever it comes from (the page, the keys, the output, the
// phone). The desktop application runs it with its windows, the commands that show things
// without them. Building it starts nothing. Main thread only.
class AppCore {
  public:
    AppCore(AppPlatforms platforms, CoreReports reports);
    ~AppCore();
    AppCore(const AppCore&) = delete;
    AppCore& operator=(const AppCore&) = delete;

    // Wires the services, takes the kept settings and starts following the displays.
    void start();

    void handle(const Verb& verb);
    // The phone remote's commands, mapped onto verbs.
    void remoteCommand(const QString& command, const RemoteParams& params);
    void systemDidWake();

    bool isEditing() const { return isEditing_; }
    bool pageReady() const { return pageReady_; }
    bool autoCycleRunning() const { return autoCycle_.running(); }
    int autoCycleIndex() const { return autoCycle_.index(); }

    AgreementStore& agreementStore();
    OnboardingStore& onboardingStore();
    TelemetryController& telemetry();

  private:
    AppPlatforms platforms_;
    CoreReports reports_;

  public:
    // The services, built in this order.
    AppState state;
    DisplayService displayService;
    RevertCoordinator revert;
    OutputWindowController output;
    DisplayIdentifier identifier;
    TrialCardView trialCard;
    AudioGenerator audio;
    PresetStore presets;
    RemoteServer remote;

  private:
    void send(const QString& script);
    // What the phone's page shows of the state: the pattern, whether the output is up and the
    // mode on trial.
    void shareWithRemote();
    // The card on the display under trial, while a trial runs.
    void showTrialCard();
    void displaysDidChange(const std::vector<DisplayInfo>& displays);
    void pushModes();
    void pushSelections();
    void seeController();
    bool patchesHold(DisplayId display);
    void identify();
    void setAudio(const verbs::SetAudio& v);
    void openURL(const QString& text);
    void pickSlateLogo();
    void copyReport();
    void tourEvent(bool skipped);
    void ready();

    OutputControl outputControl_;
    AutoCycle autoCycle_;
    ModeTrials trials_;
    ProfileVerbs profiles_;
    RemoteControl remoteControl_;
    CalibrationControl calibration_;
    DisplayMemory displayMemory_;

    bool isEditing_ = false;
    bool pageReady_ = false;
    std::unique_ptr<AgreementStore> agreementStore_;
    std::unique_ptr<OnboardingStore> onboardingStore_;
    std::unique_ptr<TelemetryController> telemetry_;
};

}  // namespace lumenor
