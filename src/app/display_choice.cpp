#include "app/display_choice.h"

#include <algorithm>
#include <iterator>

namespace lumenor {

std::optional<DisplayInfo> findDisplay(const std::vector<DisplayInfo>& displays, DisplayId id) {
    const auto it = std::find_if(displays.begin(), displays.end(),
                                 [id](const DisplayInfo& d) { return d.id == id; });
    if (it == displays.end()) {
        return std::nullopt;
    }
    return *it;
}

std::optional<DisplayInfo> outputDisplay(const AppState& state) {
    const std::vector<DisplayInfo>& list = state.displays;
    if (state.outputDisplayID) {
        if (std::optional<DisplayInfo> chosen = findDisplay(list, *state.outputDisplayID)) {
            return chosen;
        }
    }
    // The pattern must not cover the controller that is to take it away again.
    std::vector<DisplayInfo> candidates;
    std::copy_if(list.begin(), list.end(), std::back_inserter(candidates),
                 [&state](const DisplayInfo& d) { return d.id != state.controllerDisplayID; });
    if (candidates.empty()) {
        candidates = list;
    }
    const auto external = std::find_if(candidates.begin(), candidates.end(),
                                       [](const DisplayInfo& d) { return !d.isBuiltin; });
    if (external != candidates.end()) {
        return *external;
    }
    if (candidates.empty()) {
        return std::nullopt;
    }
    return candidates.front();
}

std::optional<DisplayInfo> selectedDisplay(const AppState& state) {
    const std::vector<DisplayInfo>& list = state.displays;
    if (state.selectedDisplayID) {
        if (std::optional<DisplayInfo> chosen = findDisplay(list, *state.selectedDisplayID)) {
            return chosen;
        }
    }
    if (list.empty()) {
        return std::nullopt;
    }
    return list.front();
}

}  // namespace lumenor
