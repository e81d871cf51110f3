#include "app/app_core.h"

#include <QUrl>

#include <type_traits>

#include "app/display_choice.h"
#include "app/display_report.h"
#include "app/remote_commands.h"
#include "app/trial_view.h"
#include "controller/page_calls.h"
#include "core/log.h"
#include "displays/display_modes.h"
#include "onboarding/gates.h"
#include "onboarding/telemetry_store.h"
#include "output/frame_status_text.h"
#include "output/trial_prompt.h"

namespace lumenor {

namespace {

constexpr double kIdentifySeconds = 3.0;

}  // namespace

AppCore::AppCore(AppPlatforms platforms, CoreReports reports)
    : platforms_(std::move(platforms)),
      reports_(std::move(reports)),
      displayService(std::move(platforms_.display)),
      revert(*platforms_.mode),
      output(*platforms_.refreshLinks, std::move(platforms_.clickStream)),
      audio(std::move(platforms_.signalStream)),
      presets(std::move(platforms_.settings)),
      remote(platforms_.remote),
      outputControl_(state, output, platforms_.preferences.get(),
                     {[this](const QString& s) { send(s); },
                      [this](DisplayId d) { return patchesHold(d); }, [this] { autoCycle_.stop(); },
                      [this](bool shown) {
                          if (reports_.outputShown) {
                              reports_.outputShown(shown);
                          }
                      }}),
      autoCycle_(state, {[this](const QString& s) { send(s); },
                         [this](Pattern p) {
                             const std::optional<DisplayInfo> d = outputDisplay(state);
                             if (!d) {
                                 return false;
                             }
                             if (!state.outputVisible) {
                                 outputControl_.showOn(*d, p);
                             }
                             // Calibration patches may hold the display.
                             return state.outputVisible;
                         },
                         [this](Pattern p) {
                             output.setPattern(p);
                             shareWithRemote();
                         }}),
      trials_(
          revert, *platforms_.mode,
          {[this](const QString& s) { send(s); }, [this](DisplayId d) { return patchesHold(d); }}),
      profiles_(state, presets,
                {[this](const QString& s) { send(s); }, [this] { pushModes(); },
                 [this] { outputControl_.applyState(); },
                 [this](double ms) { outputControl_.setSyncOffset(ms); },
                 [this](const DisplayInfo& d, const Profile& p) { trials_.tryProfileMode(d, p); }}),
      remoteControl_(remote, {[this](const QString& s) { send(s); }, reports_.remoteStarted}),
      calibration_(state, *platforms_.refreshLinks,
                   {[this](const QString& s) { send(s); },
                    [this](DisplayId id) { return displayService.screenForDisplay(id); },
                    [this] { outputControl_.hide(); },
                    [this](bool withInfo) {
                        outputControl_.showOutput(true);
                        if (withInfo) {
                            outputControl_.showInfo(true);
                        }
                        shareWithRemote();
                    },
                    reports_.calibrationConnected, reports_.calibrationShown,
                    reports_.calibrationRefused, reports_.calibrationEnded}),
      displayMemory_(platforms_.preferences.get()) {
    // How screens and displays map is the display service's to say; asking it starts nothing.
    output.screenForDisplay = [this](DisplayId id) { return displayService.screenForDisplay(id); };
    output.displayIdForScreen = [this](QScreen* s) { return displayService.displayIdForScreen(s); };
    identifier.screenForDisplay = [this](DisplayId id) {
        return displayService.screenForDisplay(id);
    };
}

AppCore::~AppCore() {
    output.onFrameUpdate = nullptr;
    output.onFrameTimingUnavailable = nullptr;
    revert.onCountdown = nullptr;
    revert.onResolved = nullptr;
    displayService.onChange = nullptr;
}

void AppCore::start() {
    displayService.onChange = [this](const std::vector<DisplayInfo>& displays) {
        displaysDidChange(displays);
    };
    output.patternView().onCycle = [this](int step) { handle(verbs::CyclePattern{step}); };
    output.patternView().onClose = [this] { handle(verbs::ShowOutput{false}); };
    output.onFrameUpdate = [this](double hz, int dropped, bool steady) {
        send(pagecalls::frameStatus(hz, dropped, steady));
        if (reports_.frame) {
            reports_.frame(hz, dropped, steady);
        }
    };
    output.onFrameTimingUnavailable = [this] {
        send(pagecalls::frameTimingUnavailable(frameTimingUnavailableText().text));
        if (reports_.frameTimingUnavailable) {
            reports_.frameTimingUnavailable();
        }
    };
    revert.onCountdown = [this](int seconds) {
        send(pagecalls::revertCountdown(seconds));
        showTrialCard();
        shareWithRemote();
    };
    revert.onResolved = [this](bool kept) {
        trials_.resolved();
        trialCard.dismiss();
        send(pagecalls::revertResolved(kept, revert.endedWithDisplayGone()));
        displayService.refresh();
        shareWithRemote();
    };
    // The keys of the display under trial answer as the page's Keep and Revert do.
    trialCard.onKeep = [this] { handle(verbs::ConfirmMode{}); };
    trialCard.onRevert = [this] { handle(verbs::RevertMode{}); };
    remote.onCommand = [this](const QString& command, const RemoteParams& params) {
        remoteCommand(command, params);
    };
    if (platforms_.wake) {
        platforms_.wake->onWake = [this] { systemDidWake(); };
    }
    outputControl_.restoreSyncOffset();
    displayService.start();
}

void AppCore::handle(const Verb& verb) {
    seeController();
    std::visit(
        [this](const auto& v) {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, verbs::SelectDisplay>) {
                state.selectedDisplayID = v.id;
                displayMemory_.remember(state);
                pushModes();
            } else if constexpr (std::is_same_v<V, verbs::SelectOutputDisplay>) {
                outputControl_.selectOutputDisplay(v.id);
                displayMemory_.remember(state);
            } else if constexpr (std::is_same_v<V, verbs::ShowPattern>) {
                outputControl_.showPattern(v.name);
            } else if constexpr (std::is_same_v<V, verbs::CyclePattern>) {
                outputControl_.cycle(v.delta);
            } else if constexpr (std::is_same_v<V, verbs::ApplyMode>) {
                trials_.apply(selectedDisplay(state), v.id);
            } else if constexpr (std::is_same_v<V, verbs::ShowOutput>) {
                outputControl_.showOutput(v.value);
            } else if constexpr (std::is_same_v<V, verbs::ShowInfo>) {
                outputControl_.showInfo(v.value);
            } else if constexpr (std::is_same_v<V, verbs::SetBounceRate>) {
                outputControl_.setBouncePeriod(v.seconds);
            } else if constexpr (std::is_same_v<V, verbs::SetAspectRatios>) {
                outputControl_.setAspectRatios(v.value);
            } else if constexpr (std::is_same_v<V, verbs::AutoCycle>) {
                state.autoCycleInterval = v.seconds;
                if (v.on) {
                    autoCycle_.start();
                } else {
                    autoCycle_.stop();
                }
            } else if constexpr (std::is_same_v<V, verbs::OpenURL>) {
                openURL(v.value);
            } else if constexpr (std::is_same_v<V, verbs::SetAudio>) {
                setAudio(v);
            } else if constexpr (std::is_same_v<V, verbs::SetSyncOffset>) {
                outputControl_.setSyncOffset(v.ms);
            } else if constexpr (std::is_same_v<V, verbs::SetTimecodeFps>) {
                outputControl_.setTimecodeFps(v.value);
            } else if constexpr (std::is_same_v<V, verbs::SetSlateText>) {
                outputControl_.setSlateText(v.value);
            } else if constexpr (std::is_same_v<V, verbs::SetVideoRange>) {
                outputControl_.setVideoRange(v.value);
            } else if constexpr (std::is_same_v<V, verbs::SetEditing>) {
                isEditing_ = v.value;
            } else if constexpr (std::is_same_v<V, verbs::SetMirror>) {
                outputControl_.setMirror(v.value);
            } else if constexpr (std::is_same_v<V, verbs::SetRemote>) {
                remoteControl_.set(v.value);
            } else if constexpr (std::is_same_v<V, verbs::SaveProfile>) {
                profiles_.save(v.name);
            } else if constexpr (std::is_same_v<V, verbs::LoadProfile>) {
                profiles_.load(v.name);
            } else if constexpr (std::is_same_v<V, verbs::DeleteProfile>) {
                profiles_.remove(v.name);
            } else if constexpr (std::is_same_v<V, verbs::TourEvent>) {
                tourEvent(v.skipped);
            } else if constexpr (std::is_same_v<V, verbs::StartCalibration>) {
                calibration_.start(v);
            } else if constexpr (std::is_same_v<V, verbs::StopCalibration>) {
                calibration_.stop();
            } else if constexpr (std::is_same_v<V, verbs::Ready>) {
                ready();
            } else if constexpr (std::is_same_v<V, verbs::ConfirmMode>) {
                trials_.keep();
            } else if constexpr (std::is_same_v<V, verbs::RevertMode>) {
                trials_.revertNow();
            } else if constexpr (std::is_same_v<V, verbs::Blank>) {
                outputControl_.put(Pattern::black);
            } else if constexpr (std::is_same_v<V, verbs::IdentifyDisplays>) {
                identify();
            } else if constexpr (std::is_same_v<V, verbs::PickSlateLogo>) {
                pickSlateLogo();
            } else if constexpr (std::is_same_v<V, verbs::ClearSlateLogo>) {
                outputControl_.clearSlateImage();
            } else if constexpr (std::is_same_v<V, verbs::CopyReport>) {
                copyReport();
            } else {
                static_assert(std::is_same_v<V, void>, "a verb without a handler");
            }
        },
        verb);
    shareWithRemote();
}

void AppCore::shareWithRemote() {
    remote.setSnapshot(RemoteSnapshot{rawName(state.activePattern), state.outputVisible,
                                      remoteTrial(revert, state.displays)});
}

void AppCore::showTrialCard() {
    const std::optional<DisplayId> display = revert.displayID();
    QScreen* screen = display ? displayService.screenForDisplay(*display) : nullptr;
    seeController();
    if (!revert.pendingMode() || screen == nullptr ||
        !trialNeedsCard(*display, state, output.currentDisplayID(), output.mirrorOn())) {
        trialCard.dismiss();
        return;
    }
    trialCard.present(screen, trialPrompt(*revert.pendingMode(), revert.secondsLeft()));
    // Put back full screen after a display change, the output takes the keyboard again.
    if (output.hasKeyboard()) {
        trialCard.takeKeyboard();
    }
}

void AppCore::remoteCommand(const QString& command, const RemoteParams& params) {
    if (const std::optional<Verb> verb = verbForRemoteCommand(command, params)) {
        handle(*verb);
        if (reports_.remoteVerb) {
            reports_.remoteVerb(*verb);
        }
    }
}

void AppCore::systemDidWake() {
    displayService.refresh();
    outputControl_.reposition();
}

void AppCore::send(const QString& script) {
    if (reports_.page) {
        reports_.page(script);
    }
}

void AppCore::displaysDidChange(const std::vector<DisplayInfo>& displays) {
    state.displays = displays;
    seeController();
    displayMemory_.recall(state);
    send(pagecalls::displaysChanged(state.displays));
    pushSelections();
    calibration_.displaysChanged(displays);
    trials_.displaysChanged(displays);
    outputControl_.displaysChanged(displays);
    if (revert.trialRunning()) {
        showTrialCard();
    }
    pushModes();
    shareWithRemote();
}

void AppCore::pushModes() {
    trials_.pushModes(selectedDisplay(state));
}

// The page shows where the output goes and whose modes it lists as the core decides them.
void AppCore::pushSelections() {
    const std::optional<DisplayInfo> selected = selectedDisplay(state);
    const std::optional<DisplayInfo> out = outputDisplay(state);
    if (selected && out) {
        send(pagecalls::displaySelections(selected->id, out->id));
    }
}

void AppCore::seeController() {
    state.controllerDisplayID =
        platforms_.controllerDisplay ? platforms_.controllerDisplay() : std::nullopt;
}

bool AppCore::patchesHold(DisplayId display) {
    return calibration_.patchesHold(display);
}

void AppCore::identify() {
    if (const std::optional<DisplayId> held = calibration_.display()) {
        if (calibration_.patchesHold(*held)) {
            return;
        }
    }
    identifier.show(state.displays, kIdentifySeconds);
}

void AppCore::setAudio(const verbs::SetAudio& v) {
    audio.apply(signalFromRawName(v.signal).value_or(Signal::off),
                channelsFromRawName(v.channels).value_or(Channels::both), v.invert);
}

void AppCore::openURL(const QString& text) {
    // The scheme is compared as written: QUrl lower-cases it.
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || !text.startsWith(QLatin1String("https:")) || !platforms_.openUrl) {
        return;
    }
    platforms_.openUrl(url);
}

void AppCore::pickSlateLogo() {
    if (!platforms_.pickSlateImage) {
        return;
    }
    platforms_.pickSlateImage([this](const std::optional<QString>& path) {
        if (path) {
            outputControl_.useSlateImage(*path);
        }
    });
}

void AppCore::copyReport() {
    const QString report = buildReport(
        state.displays, [this](DisplayId id) { return modesForDisplay(*platforms_.mode, id); },
        displayService.seenThroughXwayland(), displayService.isNativeWayland());
    if (platforms_.copyToClipboard) {
        platforms_.copyToClipboard(report);
    }
    send(QLatin1String(pagecalls::kReportCopied));
}

void AppCore::tourEvent(bool skipped) {
    onboardingStore().save(TourGate::recordForTourEnd(skipped));
    telemetry().record(TourGate::telemetryEventForTourEnd(skipped));
}

void AppCore::ready() {
    qCDebug(logApp, "controller page ready");
    pageReady_ = true;
    send(pagecalls::displaysChanged(state.displays));
    pushSelections();
    pushModes();
    send(pagecalls::patternChanged(rawName(state.activePattern)));
    send(pagecalls::outputVisibilityChanged(state.outputVisible));
    send(pagecalls::infoVisibilityChanged(state.infoVisible));
    send(pagecalls::profilesChanged(presets.names()));
    send(pagecalls::syncOffsetChanged(state.syncOffsetMs));
    if (TourGate::shouldAutoStart(onboardingStore().load())) {
        send(QLatin1String(pagecalls::kStartTour));
    }
}

AgreementStore& AppCore::agreementStore() {
    if (!agreementStore_) {
        agreementStore_ = std::make_unique<FileAgreementStore>(platforms_.supportFolder);
    }
    return *agreementStore_;
}

OnboardingStore& AppCore::onboardingStore() {
    if (!onboardingStore_) {
        onboardingStore_ = std::make_unique<FileOnboardingStore>(platforms_.supportFolder);
    }
    return *onboardingStore_;
}

TelemetryController& AppCore::telemetry() {
    if (!telemetry_) {
        telemetry_ = std::make_unique<TelemetryController>(
            std::make_unique<FileTelemetryStore>(platforms_.supportFolder),
            std::make_unique<NoopTelemetryProvider>());
    }
    return *telemetry_;
}

}  // namespace lumenor
