#include <QUrl>

#include <algorithm>
#include <limits>
#include <type_traits>

#include "app/app_delegate.h"
#include "core/log.h"
#include "app/remote_commands.h"
#include "controller/page_calls.h"
#include "displays/display_modes.h"
#include "onboarding/gates.h"

namespace lumenor {

namespace {

constexpr double kIdentifySeconds = 3.0;

// Values from outside may exceed an int; they are held at its ends, never wrapped.
int clampToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

}  // namespace

void AppDelegate::handle(const Verb& verb) {
    std::visit(
        [this](const auto& v) {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, verbs::SelectDisplay>) {
                state.selectedDisplayID = v.id;
                pushModes();
            } else if constexpr (std::is_same_v<V, verbs::SelectOutputDisplay>) {
                state.outputDisplayID = v.id;
                if (state.outputVisible) {
                    if (const std::optional<DisplayInfo> d = resolveOutputDisplay()) {
                        if (patchesHold(d->id)) {
                            hideOutput();
                        } else {
                            output.show(*d, state.activePattern);
                        }
                    }
                }
            } else if constexpr (std::is_same_v<V, verbs::ShowPattern>) {
                showPattern(v.name);
            } else if constexpr (std::is_same_v<V, verbs::CyclePattern>) {
                cyclePattern(v.delta);
            } else if constexpr (std::is_same_v<V, verbs::ApplyMode>) {
                applyMode(v.id);
            } else if constexpr (std::is_same_v<V, verbs::ShowOutput>) {
                showOutput(v.value);
            } else if constexpr (std::is_same_v<V, verbs::ShowInfo>) {
                showInfo(v.value);
            } else if constexpr (std::is_same_v<V, verbs::SetBounceRate>) {
                state.bouncePeriod = v.seconds;
                redrawBounceViews();
            } else if constexpr (std::is_same_v<V, verbs::SetAspectRatios>) {
                state.aspectRatios = QSet<QString>(v.value.begin(), v.value.end());
                output.setAspectRatios(state.aspectRatios);
            } else if constexpr (std::is_same_v<V, verbs::AutoCycle>) {
                state.autoCycleInterval = v.seconds;
                if (v.on) {
                    startAutoCycle();
                } else {
                    stopAutoCycle();
                }
            } else if constexpr (std::is_same_v<V, verbs::OpenURL>) {
                openURL(v.value);
            } else if constexpr (std::is_same_v<V, verbs::SetAudio>) {
                setAudio(v);
            } else if constexpr (std::is_same_v<V, verbs::SetSyncOffset>) {
                setSyncOffset(v.ms);
            } else if constexpr (std::is_same_v<V, verbs::SetTimecodeFps>) {
                setTimecodeFps(v.value);
            } else if constexpr (std::is_same_v<V, verbs::SetSlateText>) {
                state.slateText = v.value;
                output.setSlateText(v.value);
            } else if constexpr (std::is_same_v<V, verbs::SetEditing>) {
                isEditing_ = v.value;
            } else if constexpr (std::is_same_v<V, verbs::SetMirror>) {
                setMirror(v.value);
            } else if constexpr (std::is_same_v<V, verbs::SetRemote>) {
                setRemote(v.value);
            } else if constexpr (std::is_same_v<V, verbs::SaveProfile>) {
                saveProfile(v.name);
            } else if constexpr (std::is_same_v<V, verbs::LoadProfile>) {
                loadProfile(v.name);
            } else if constexpr (std::is_same_v<V, verbs::DeleteProfile>) {
                presets.remove(v.name);
                send(pagecalls::profilesChanged(presets.names()));
            } else if constexpr (std::is_same_v<V, verbs::TourEvent>) {
                tourEvent(v.skipped);
            } else if constexpr (std::is_same_v<V, verbs::StartCalibration>) {
                startCalibration(v);
            } else if constexpr (std::is_same_v<V, verbs::StopCalibration>) {
                stopCalibration();
            } else if constexpr (std::is_same_v<V, verbs::Ready>) {
                ready();
            } else if constexpr (std::is_same_v<V, verbs::ConfirmMode>) {
                revert.keep();
            } else if constexpr (std::is_same_v<V, verbs::RevertMode>) {
                revert.revertNow();
            } else if constexpr (std::is_same_v<V, verbs::Blank>) {
                putOnOutput(Pattern::black);
            } else if constexpr (std::is_same_v<V, verbs::IdentifyDisplays>) {
                if (!patchesHold(calibrationDisplay_)) {
                    identifier.show(state.displays, kIdentifySeconds);
                }
            } else if constexpr (std::is_same_v<V, verbs::PickSlateLogo>) {
                pickSlateLogo();
            } else if constexpr (std::is_same_v<V, verbs::ClearSlateLogo>) {
                output.setSlateImage(std::nullopt);
            } else if constexpr (std::is_same_v<V, verbs::CopyReport>) {
                copyReport();
            } else {
                static_assert(std::is_same_v<V, void>, "a verb without a handler");
            }
        },
        verb);
}

void AppDelegate::remoteCommand(const QString& command, const RemoteParams& params) {
    if (const std::optional<Verb> verb = verbForRemoteCommand(command, params)) {
        handle(*verb);
    }
}

std::optional<DisplayInfo> AppDelegate::resolveOutputDisplay() const {
    const std::vector<DisplayInfo>& list = state.displays;
    if (state.outputDisplayID) {
        for (const DisplayInfo& d : list) {
            if (d.id == *state.outputDisplayID) {
                return d;
            }
        }
    }
    for (const DisplayInfo& d : list) {
        if (!d.isBuiltin) {
            return d;
        }
    }
    if (list.empty()) {
        return std::nullopt;
    }
    return list.front();
}

std::optional<DisplayInfo> AppDelegate::selectedDisplay() const {
    const std::vector<DisplayInfo>& list = state.displays;
    if (state.selectedDisplayID) {
        for (const DisplayInfo& d : list) {
            if (d.id == *state.selectedDisplayID) {
                return d;
            }
        }
    }
    if (list.empty()) {
        return std::nullopt;
    }
    return list.front();
}

void AppDelegate::pushModes() {
    const std::optional<DisplayInfo> d = selectedDisplay();
    if (!d || d->isBuiltin) {
        send(pagecalls::modesChanged({}, false));
        return;
    }
    const std::vector<ModeInfo> modes = modesForDisplay(*platforms_.mode, d->id);
    const std::optional<QString> refusal = platforms_.mode->modeChangeRefusal();
    send(refusal ? pagecalls::modesRefused(modes, *refusal) : pagecalls::modesChanged(modes, true));
}

void AppDelegate::displaysDidChange(const std::vector<DisplayInfo>& displays) {
    state.displays = displays;
    send(pagecalls::displaysChanged(state.displays));
    calibrationDisplaysChanged(displays);
    const auto present = [&](DisplayId id) {
        return std::any_of(displays.begin(), displays.end(),
                           [id](const DisplayInfo& d) { return d.id == id; });
    };
    // The trial ends with the display it runs on. That is not always the selected one: a
    // profile's mode is tried on the output display, and a selection that has gone falls back
    // to the first display, where a trial must survive the change its own apply reports.
    if (revert.trialRunning() && revert.displayID() && !present(*revert.displayID())) {
        revert.revertNow();
    }
    if (output.currentDisplayID() && !present(*output.currentDisplayID())) {
        output.hide();
        state.outputVisible = false;
        state.infoVisible = false;
        send(pagecalls::outputVisibilityChanged(false));
        send(pagecalls::infoVisibilityChanged(false));
        stopAutoCycle();
    }
    pushModes();
    if (state.outputVisible) {
        if (const std::optional<DisplayInfo> d = resolveOutputDisplay()) {
            output.reposition(*d);
            output.showDisplayBanner(*d);
            if (state.infoVisible) {
                output.showDisplayInfo(*d);
            }
            if (state.mirrorAll) {
                output.setMirrorOn(true);
                output.rebuildMirrors();
            }
        }
    }
}

void AppDelegate::showOutputOn(const DisplayInfo& display, Pattern pattern) {
    if (patchesHold(display.id)) {
        return;
    }
    output.show(display, pattern);
    state.outputVisible = true;
    send(pagecalls::outputVisibilityChanged(true));
}

void AppDelegate::hideOutput() {
    output.hide();
    state.outputVisible = false;
    send(pagecalls::outputVisibilityChanged(false));
    state.infoVisible = false;
    send(pagecalls::infoVisibilityChanged(false));
    stopAutoCycle();
}

void AppDelegate::showPattern(const QString& name) {
    const std::optional<Pattern> pattern = patternFromRawName(name);
    if (!pattern) {
        return;
    }
    stopAutoCycle();
    state.activePattern = *pattern;
    if (state.outputVisible) {
        output.setPattern(*pattern);
    }
    send(pagecalls::patternChanged(rawName(*pattern)));
}

void AppDelegate::cyclePattern(std::int64_t delta) {
    stopAutoCycle();
    state.activePattern = next(state.activePattern, clampToInt(delta));
    if (state.outputVisible) {
        output.setPattern(state.activePattern);
    }
    send(pagecalls::patternChanged(rawName(state.activePattern)));
}

void AppDelegate::showOutput(bool on) {
    if (on) {
        if (const std::optional<DisplayInfo> d = resolveOutputDisplay()) {
            showOutputOn(*d, state.activePattern);
            return;
        }
    }
    hideOutput();
}

void AppDelegate::showInfo(bool on) {
    state.infoVisible = on;
    if (on && !state.outputVisible) {
        if (const std::optional<DisplayInfo> d = resolveOutputDisplay()) {
            showOutputOn(*d, state.activePattern);
        }
    }
    if (const std::optional<DisplayInfo> d = resolveOutputDisplay()) {
        output.showDisplayInfo(*d);
    }
    output.setInfoVisible(on);
    send(pagecalls::infoVisibilityChanged(on));
}

void AppDelegate::setMirror(bool on) {
    state.mirrorAll = on;
    if (on && !state.outputVisible) {
        if (const std::optional<DisplayInfo> d = resolveOutputDisplay()) {
            showOutputOn(*d, state.activePattern);
        }
    }
    output.setMirrorOn(on);
    output.rebuildMirrors();
    send(pagecalls::mirrorChanged(on));
}

void AppDelegate::putOnOutput(Pattern pattern) {
    state.activePattern = pattern;
    const std::optional<DisplayInfo> d =
        state.outputVisible ? std::nullopt : resolveOutputDisplay();
    if (d) {
        showOutputOn(*d, pattern);
    } else {
        output.setPattern(pattern);
    }
    stopAutoCycle();
    send(pagecalls::patternChanged(rawName(pattern)));
}

void AppDelegate::redrawBounceViews() {
    // Setting the period restarts each view's bounce from now and redraws it.
    output.setBouncePeriod(state.bouncePeriod);
}

void AppDelegate::setTimecodeFps(std::int64_t fps) {
    state.timecodeFps = clampToInt(fps);
    output.setTimecodeFps(state.timecodeFps);
}

void AppDelegate::setAudio(const verbs::SetAudio& v) {
    audio.apply(signalFromRawName(v.signal).value_or(Signal::off),
                channelsFromRawName(v.channels).value_or(Channels::both), v.invert);
}

void AppDelegate::openURL(const QString& text) {
    // The scheme is compared as written: QUrl lower-cases it.
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || !text.startsWith(QLatin1String("https:")) || !platforms_.openUrl) {
        return;
    }
    platforms_.openUrl(url);
}

void AppDelegate::tourEvent(bool skipped) {
    onboardingStore().save(TourGate::recordForTourEnd(skipped));
    telemetry().record(TourGate::telemetryEventForTourEnd(skipped));
}

void AppDelegate::ready() {
    qCDebug(logApp, "controller page ready");
    pageReady_ = true;
    send(pagecalls::displaysChanged(state.displays));
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

}  // namespace lumenor
