#include "app/display_memory.h"

#include "app/display_choice.h"

namespace lumenor {

namespace {

constexpr const char* kOutputKey = "outputDisplayName";
constexpr const char* kSelectedKey = "selectedDisplayName";

void keep(QSettings& preferences, const char* key, const AppState& state,
          const std::optional<DisplayId>& id) {
    if (!id) {
        return;
    }
    if (const std::optional<DisplayInfo> d = findDisplay(state.displays, *id)) {
        preferences.setValue(QLatin1String(key), d->name);
    }
}

void choose(const QSettings& preferences, const char* key, const AppState& state,
            std::optional<DisplayId>& id) {
    const QString name = preferences.value(QLatin1String(key)).toString();
    if (id || name.isEmpty()) {
        return;
    }
    for (const DisplayInfo& d : state.displays) {
        if (d.name == name) {
            id = d.id;
            return;
        }
    }
}

}  // namespace

void DisplayMemory::remember(const AppState& state) {
    if (preferences_ == nullptr) {
        return;
    }
    keep(*preferences_, kOutputKey, state, state.outputDisplayID);
    keep(*preferences_, kSelectedKey, state, state.selectedDisplayID);
    preferences_->sync();
}

void DisplayMemory::recall(AppState& state) const {
    if (preferences_ == nullptr) {
        return;
    }
    choose(*preferences_, kOutputKey, state, state.outputDisplayID);
    choose(*preferences_, kSelectedKey, state, state.selectedDisplayID);
}

}  // namespace lumenor
