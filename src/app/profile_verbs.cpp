#include "app/profile_verbs.h"

#include "app/display_choice.h"
#include "controller/page_calls.h"
#include "core/log.h"

namespace lumenor {

ProfileVerbs::ProfileVerbs(AppState& state, PresetStore& presets, Hooks hooks)
    : state_(state), presets_(presets), hooks_(std::move(hooks)) {}

void ProfileVerbs::save(const QString& name) {
    const std::optional<DisplayInfo> d = outputDisplay(state_);
    Profile profile;
    profile.name = name;
    profile.pattern = rawName(state_.activePattern);
    profile.aspectRatios = QStringList(state_.aspectRatios.begin(), state_.aspectRatios.end());
    profile.bouncePeriod = state_.bouncePeriod;
    if (d) {
        profile.outputDisplayName = d->name;
        profile.pixelWidth = d->currentMode.pixelWidth;
        profile.pixelHeight = d->currentMode.pixelHeight;
        profile.refreshHz = d->currentMode.refreshHz;
    }
    if (!state_.slateText.isEmpty()) {
        profile.slateText = state_.slateText;
    }
    if (state_.syncOffsetMs != 0.0) {
        profile.syncOffsetMs = state_.syncOffsetMs;
    }
    profile.videoRange = rangeName(state_.videoRange);
    presets_.save(profile);
    qCInfo(logApp, "saved profile");
    hooks_.send(pagecalls::profilesChanged(presets_.names()));
}

void ProfileVerbs::load(const QString& name) {
    const std::optional<Profile> p = presets_.load(name);
    if (!p) {
        return;
    }
    qCInfo(logApp, "loaded profile");
    // A profile's mode belongs to the display it was saved for, and to no other.
    bool displayHere = !p->outputDisplayName.has_value();
    if (p->outputDisplayName) {
        for (const DisplayInfo& d : state_.displays) {
            if (d.name == *p->outputDisplayName) {
                state_.outputDisplayID = d.id;
                state_.selectedDisplayID = d.id;
                hooks_.pushModes();
                displayHere = true;
                break;
            }
        }
    }
    if (const std::optional<Pattern> pattern = patternFromRawName(p->pattern)) {
        state_.activePattern = *pattern;
    }
    state_.aspectRatios = p->aspectRatios.isEmpty()
                              ? defaultAspectSelection()
                              : QSet<QString>(p->aspectRatios.begin(), p->aspectRatios.end());
    state_.bouncePeriod = p->bouncePeriod;
    state_.slateText = p->slateText.value_or(QString());
    state_.videoRange = rangeFromName(p->videoRange.value_or(QString())).value_or(VideoRange::full);
    hooks_.applyState();
    hooks_.send(pagecalls::patternChanged(rawName(state_.activePattern)));
    const std::optional<DisplayInfo> o = outputDisplay(state_);
    if (o) {
        const std::optional<DisplayInfo> selected = selectedDisplay(state_);
        hooks_.send(pagecalls::syncSelections(
            selected ? selected->id : o->id, o->id,
            QStringList(state_.aspectRatios.begin(), state_.aspectRatios.end()),
            state_.bouncePeriod));
    }
    hooks_.setSyncOffset(p->syncOffsetMs.value_or(0.0));
    if (!displayHere) {
        qCInfo(logApp, "the loaded profile's display is not attached: no mode changed");
        hooks_.send(pagecalls::profileNote(
            QStringLiteral("%1 is not attached: the rest of the profile is loaded, no display "
                           "mode was changed.")
                .arg(*p->outputDisplayName)));
    } else if (o) {
        hooks_.tryMode(*o, *p);
    }
}

void ProfileVerbs::remove(const QString& name) {
    presets_.remove(name);
    hooks_.send(pagecalls::profilesChanged(presets_.names()));
}

}  // namespace lumenor
