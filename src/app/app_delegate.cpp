#include "app/app_delegate.h"

#include <QApplication>
#include <QMainWindow>
#include <QTimer>

#include <chrono>

#include "app/app_menu.h"
#include "app/bring_to_front.h"
#include "app/keyboard_monitor.h"
#include "controller/page_calls.h"
#include "onboarding/gates.h"

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

AppDelegate::AppDelegate(DesktopPlatforms platforms)
    : updater_(std::move(platforms.updater)),
      askAgreement_(std::move(platforms.askAgreement)),
      page_(std::move(platforms.page)),
      core_(withControllerDisplay(std::move(platforms.core)), pageReports()) {}

CoreReports AppDelegate::pageReports() {
    CoreReports reports;
    reports.page = [this](const QString& s) { send(s); };
    return reports;
}

AppPlatforms AppDelegate::withControllerDisplay(AppPlatforms platforms) {
    if (!platforms.controllerDisplay) {
        platforms.controllerDisplay = [this]() -> std::optional<DisplayId> {
            QWidget* window = controller_ ? controller_->window() : nullptr;
            if (window == nullptr || window->screen() == nullptr) {
                return std::nullopt;
            }
            return core_.displayService.displayIdForScreen(window->screen());
        };
    }
    return platforms;
}

AppDelegate::~AppDelegate() {
    // The page and its windows go before the services they report to.
    keyboardMonitor_.reset();
    controller_.reset();
}

bool AppDelegate::applicationDidFinishLaunching() {
    if (!passAgreementGate()) {
        return false;
    }
    if (!page_) {
        createControllerWindow();
    }
    raiseController();
    core_.start();
    keyboardMonitor_ = installKeyboardMonitor(
        [this] {
            return ShortcutContext{core_.isEditing(), core_.state.outputVisible};
        },
        [this](const Verb& verb) { core_.handle(verb); });
    core_.telemetry().startIfEnabled();
    if (updater_) {
        updater_->start();
    }
    return true;
}

bool AppDelegate::passAgreementGate() {
    if (!EULAGate::needsAcceptance(core_.agreementStore().load(),
                                   QLatin1String(kAgreementVersion))) {
        return true;
    }
    bool agreed = false;
    if (askAgreement_) {
        agreed = askAgreement_();
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
    core_.agreementStore().save(
        Acceptance::at(QLatin1String(kAgreementVersion), std::chrono::system_clock::now()));
    return true;
}

void AppDelegate::createControllerWindow() {
    controller_ = std::make_unique<ControllerWindowController>();
    controller_->onVerb = [this](const Verb& verb) { core_.handle(verb); };
    QMainWindow* window = controller_->window();
    window->installEventFilter(new QuitOnClose(window));
    installMainMenu(*window, controller_->webView(),
                    MenuActions{[this] { showPreferences(); }, [this] { checkForUpdates(); },
                                [this] { showTutorial(); }, [this] { showLicenceAgreement(); }});
}

void AppDelegate::raiseController(const QString& activationToken) {
    if (controller_) {
        bringToFront(controller_->window(), activationToken);
    } else if (agreementGate_ != nullptr) {
        bringToFront(agreementGate_, activationToken);
    }
}

void AppDelegate::send(const QString& script) {
    if (page_) {
        page_(script);
    } else if (controller_ && core_.pageReady()) {
        // Before its `ready` the page has no functions to call; it gets the whole state then.
        controller_->runScript(script);
    }
}

void AppDelegate::showPreferences() {
    if (!preferencesWindow_) {
        preferencesWindow_ = std::make_unique<PreferencesWindowController>();
        preferencesWindow_->telemetryEnabledProvider = [this] {
            return core_.telemetry().isEnabled();
        };
        preferencesWindow_->onSetTelemetry = [this](bool on) { core_.telemetry().setEnabled(on); };
        preferencesWindow_->onReplayTutorial = [this] { core_.onboardingStore().clear(); };
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
