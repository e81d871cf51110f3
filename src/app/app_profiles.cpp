#include <cmath>

#include "app/app_delegate.h"
#include "core/log.h"
#include "controller/page_calls.h"
#include "displays/display_modes.h"

namespace lumenor {

namespace {

constexpr int kTrialSeconds = 15;

}  // namespace

void AppDelegate::applyMode(std::int32_t id) {
    const std::optional<DisplayInfo> d = selectedDisplay();
    if (!d || d->isBuiltin) {
        return;
    }
    for (const ModeInfo& m : modesForDisplay(*platforms_.mode, d->id)) {
        if (m.id == id) {
            beginTrial(*d, m);
            return;
        }
    }
}

void AppDelegate::beginTrial(const DisplayInfo& display, const ModeInfo& target) {
    if (patchesHold(display.id)) {
        return;
    }
    // One trial at a time: a trial elsewhere is put back first, so that no display is left
    // in a mode nobody confirmed.
    if (revert.trialRunning() && revert.displayID() != display.id) {
        revert.revertNow();
    }
    // Several trials in a row on one display go back to the mode from before the first.
    const std::optional<ModeInfo> snapshot =
        revert.trialRunning() && trialSnapshot_ ? trialSnapshot_ : display.currentMode;
    trialSnapshot_ = snapshot;
    revert.begin(target, snapshot, display.id, kTrialSeconds);
    // An apply that failed has already been put back and reported; there is no countdown.
    send(pagecalls::modeApplied(revert.trialRunning(), kTrialSeconds));
}

void AppDelegate::saveProfile(const QString& name) {
    const std::optional<DisplayInfo> d = resolveOutputDisplay();
    Profile profile;
    profile.name = name;
    profile.pattern = rawName(state.activePattern);
    profile.aspectRatios = QStringList(state.aspectRatios.begin(), state.aspectRatios.end());
    profile.bouncePeriod = state.bouncePeriod;
    if (d) {
        profile.outputDisplayName = d->name;
        profile.pixelWidth = d->currentMode.pixelWidth;
        profile.pixelHeight = d->currentMode.pixelHeight;
        profile.refreshHz = d->currentMode.refreshHz;
    }
    if (!state.slateText.isEmpty()) {
        profile.slateText = state.slateText;
    }
    if (state.syncOffsetMs != 0.0) {
        profile.syncOffsetMs = state.syncOffsetMs;
    }
    presets.save(profile);
    qCInfo(logApp, "saved profile");
    send(pagecalls::profilesChanged(presets.names()));
}

void AppDelegate::loadProfile(const QString& name) {
    const std::optional<Profile> p = presets.load(name);
    if (!p) {
        return;
    }
    qCInfo(logApp, "loaded profile");
    if (p->outputDisplayName) {
        for (const DisplayInfo& d : state.displays) {
            if (d.name == *p->outputDisplayName) {
                state.outputDisplayID = d.id;
                state.selectedDisplayID = d.id;
                pushModes();
                break;
            }
        }
    }
    if (const std::optional<Pattern> pattern = patternFromRawName(p->pattern)) {
        state.activePattern = *pattern;
    }
    state.aspectRatios = p->aspectRatios.isEmpty()
                             ? defaultAspectSelection()
                             : QSet<QString>(p->aspectRatios.begin(), p->aspectRatios.end());
    state.bouncePeriod = p->bouncePeriod;
    state.slateText = p->slateText.value_or(QString());
    output.setAspectRatios(state.aspectRatios);
    redrawBounceViews();
    output.setSlateText(state.slateText);
    if (state.outputVisible) {
        if (const std::optional<DisplayInfo> d = resolveOutputDisplay()) {
            output.show(*d, state.activePattern);
        }
    }
    send(pagecalls::patternChanged(rawName(state.activePattern)));
    if (const std::optional<DisplayInfo> o = resolveOutputDisplay()) {
        const std::optional<DisplayInfo> selected = selectedDisplay();
        send(pagecalls::syncSelections(
            selected ? selected->id : o->id, o->id,
            QStringList(state.aspectRatios.begin(), state.aspectRatios.end()), state.bouncePeriod));
    }
    setSyncOffset(p->syncOffsetMs.value_or(0.0));
    restoreProfileMode(*p);
}

void AppDelegate::restoreProfileMode(const Profile& profile) {
    if (!profile.pixelWidth || !profile.pixelHeight) {
        return;
    }
    const std::optional<DisplayInfo> o = resolveOutputDisplay();
    if (!o || o->isBuiltin) {
        return;
    }
    if (o->currentMode.pixelWidth == *profile.pixelWidth &&
        o->currentMode.pixelHeight == *profile.pixelHeight) {
        return;
    }
    for (const ModeInfo& m : modesForDisplay(*platforms_.mode, o->id)) {
        if (m.pixelWidth == *profile.pixelWidth && m.pixelHeight == *profile.pixelHeight &&
            (!profile.refreshHz || std::abs(m.refreshHz - *profile.refreshHz) < 1.0)) {
            beginTrial(*o, m);
            return;
        }
    }
}

}  // namespace lumenor
