#include "app/app_delegate.h"

#include <QApplication>

#include <chrono>

#include "app/app_menu.h"
#include "app/bring_to_front.h"
#include "app/keyboard_monitor.h"
#include "calibration/calibration_session.h"
#include "controller/page_calls.h"
#include "onboarding/gates.h"
#include "onboarding/telemetry_store.h"
#include "output/frame_status_text.h"

namespace lumenor {

namespace {

// Closing the controller window ends the application, even with the output, an identify card
// or the preferences still open.
class QuitOnClose : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

AppDelegate::AppDelegate(AppPlatforms platforms)
    : platforms_(std::move(platforms)),
      displayService(std::move(platforms_.display)),
      revert(*platforms_.mode),
      output(*platforms_.refreshLinks, std::move(platforms_.clickStream)),
      audio(std::move(platforms_.signalStream)),
      presets(std::move(platforms_.settings)),
      remote(platforms_.remote) {
    // How screens and displays map is the display service's to say; asking it starts nothing.
    output.screenForDisplay = [this](DisplayId id) { return displayService.screenForDisplay(id); };
    output.displayIdForScreen = [this](QScreen* s) { return displayService.displayIdForScreen(s); };
    identifier.screenForDisplay = [this](DisplayId id) {
        return displayService.screenForDisplay(id);
    };
}

AppDelegate::~AppDelegate() {
    // The page and its windows go before the services they report to.
    calibration_.reset();
    endedCalibration_.reset();
    keyboardMonitor_.reset();
    output.onFrameUpdate = nullptr;
    output.onFrameTimingUnavailable = nullptr;
    revert.onCountdown = nullptr;
    revert.onResolved = nullptr;
    displayService.onChange = nullptr;
    controller.reset();
}

bool AppDelegate::applicationDidFinishLaunching() {
    if (!passAgreementGate()) {
        return false;
    }
    if (!platforms_.page) {
        createControllerWindow();
    }
    wireCallbacks();
    restoreSyncOffset();
    raiseController();
    displayService.start();
    keyboardMonitor_ = installKeyboardMonitor(
        [this] {
            return ShortcutContext{isEditing_, state.outputVisible};
        },
        [this](const Verb& verb) { handle(verb); });
    if (platforms_.wake) {
        platforms_.wake->onWake = [this] { systemDidWake(); };
    }
    telemetry().startIfEnabled();
    updater_ = std::move(platforms_.updater);
    if (updater_) {
        updater_->start();
    }
    return true;
}

bool AppDelegate::passAgreementGate() {
    if (!EULAGate::needsAcceptance(agreementStore().load(), QLatin1String(kAgreementVersion))) {
        return true;
    }
    bool agreed = false;
    if (platforms_.askAgreement) {
        agreed = platforms_.askAgreement();
    } else {
        EULAWindowController gate(EULAWindowController::Mode::gate,
                                  QLatin1String(kAgreementVersion));
        agreementGate_ = gate.window();
        agreed = gate.runModal();
        agreementGate_ = nullptr;
    }
    if (!agreed) {
        return false;
    }
    agreementStore().save(
        Acceptance::at(QLatin1String(kAgreementVersion), std::chrono::system_clock::now()));
    return true;
}

void AppDelegate::createControllerWindow() {
    controller = std::make_unique<ControllerWindowController>();
    controller->onVerb = [this](const Verb& verb) { handle(verb); };
    QMainWindow* window = controller->window();
    window->installEventFilter(new QuitOnClose(window));
    installMainMenu(*window, controller->webView(),
                    MenuActions{[this] { showPreferences(); }, [this] { checkForUpdates(); },
                                [this] { showTutorial(); }, [this] { showLicenceAgreement(); }});
}

void AppDelegate::wireCallbacks() {
    displayService.onChange = [this](const std::vector<DisplayInfo>& displays) {
        displaysDidChange(displays);
    };
    output.patternView().onCycle = [this](int step) { handle(verbs::CyclePattern{step}); };
    output.patternView().onClose = [this] { handle(verbs::ShowOutput{false}); };
    output.onFrameUpdate = [this](double hz, int dropped, bool steady) {
        send(pagecalls::frameStatus(hz, dropped, steady));
    };
    output.onFrameTimingUnavailable = [this] {
        send(pagecalls::frameTimingUnavailable(frameTimingUnavailableText().text));
    };
    revert.onCountdown = [this](int seconds) { send(pagecalls::revertCountdown(seconds)); };
    revert.onResolved = [this](bool kept) {
        trialSnapshot_.reset();
        send(pagecalls::revertResolved(kept));
        displayService.refresh();
    };
    remote.onCommand = [this](const QString& command, const RemoteParams& params) {
        remoteCommand(command, params);
    };
}

void AppDelegate::raiseController() {
    if (controller) {
        bringToFront(controller->window());
    } else if (agreementGate_ != nullptr) {
        bringToFront(agreementGate_);
    }
}

void AppDelegate::send(const QString& script) {
    if (platforms_.page) {
        platforms_.page(script);
    } else if (controller && pageReady_) {
        // Before its `ready` the page has no functions to call; it gets the whole state then.
        controller->runScript(script);
    }
}

AgreementStore& AppDelegate::agreementStore() {
    if (!agreementStore_) {
        agreementStore_ = std::make_unique<FileAgreementStore>(platforms_.supportFolder);
    }
    return *agreementStore_;
}

OnboardingStore& AppDelegate::onboardingStore() {
    if (!onboardingStore_) {
        onboardingStore_ = std::make_unique<FileOnboardingStore>(platforms_.supportFolder);
    }
    return *onboardingStore_;
}

TelemetryController& AppDelegate::telemetry() {
    if (!telemetry_) {
        telemetry_ = std::make_unique<TelemetryController>(
            std::make_unique<FileTelemetryStore>(platforms_.supportFolder),
            std::make_unique<NoopTelemetryProvider>());
    }
    return *telemetry_;
}

void AppDelegate::showPreferences() {
    if (!preferencesWindow_) {
        preferencesWindow_ = std::make_unique<PreferencesWindowController>();
        preferencesWindow_->telemetryEnabledProvider = [this] { return telemetry().isEnabled(); };
        preferencesWindow_->onSetTelemetry = [this](bool on) { telemetry().setEnabled(on); };
        preferencesWindow_->onReplayTutorial = [this] { onboardingStore().clear(); };
        if (updater_) {
            preferencesWindow_->automaticUpdatesProvider = [this] {
                return updater_->automaticallyChecksForUpdates();
            };
            preferencesWindow_->onSetAutomaticUpdates = [this](bool on) {
                updater_->setAutomaticallyChecksForUpdates(on);
            };
        }
    }
    preferencesWindow_->show();
}

void AppDelegate::checkForUpdates() {
    if (updater_) {
        updater_->checkForUpdates();
    }
}

void AppDelegate::showTutorial() {
    send(QLatin1String(pagecalls::kStartTour));
}

void AppDelegate::showLicenceAgreement() {
    eulaViewer_ = std::make_unique<EULAWindowController>(EULAWindowController::Mode::view,
                                                         QLatin1String(kAgreementVersion));
    eulaViewer_->show();
}

}  // namespace lumenor
