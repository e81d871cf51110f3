#include "displays/display_modes.h"

#include <algorithm>

namespace lumenor {

namespace {

std::int64_t area(const ModeInfo& m) {
    return m.pixelWidth * m.pixelHeight;
}

bool sameForTheList(const ModeInfo& a, const ModeInfo& b) {
    return a.pixelWidth == b.pixelWidth && a.pixelHeight == b.pixelHeight &&
           a.pointWidth == b.pointWidth && a.refreshHz == b.refreshHz;
}

}  // namespace

std::vector<ModeInfo> modesForDisplay(ModePlatform& platform, DisplayId id) {
    std::optional<std::vector<ModeInfo>> all = platform.allModes(id);
    if (!all || all->empty()) {
        return {};
    }
    const std::optional<ModeInfo> current = platform.currentMode(id);
    // A head turned to portrait lists its modes as it shows them.
    if (platform.isQuarterTurned(id)) {
        for (ModeInfo& m : *all) {
            m = m.turnedQuarter();
        }
    }

    // The first of the largest modes in the platform's order is the native one.
    const ModeInfo* native = &all->front();
    for (const ModeInfo& m : *all) {
        if (area(m) > area(*native)) {
            native = &m;
        }
    }
    const std::int32_t nativeId = native->id;

    std::vector<ModeInfo> kept;
    for (ModeInfo& m : *all) {
        m.isCurrent = current.has_value() && m.id == current->id;
        m.isNative = m.id == nativeId;
        const bool duplicate = std::any_of(
            kept.begin(), kept.end(), [&m](const ModeInfo& k) { return sameForTheList(k, m); });
        if (!duplicate) {
            kept.push_back(std::move(m));
        }
    }
    std::stable_sort(kept.begin(), kept.end(), [](const ModeInfo& a, const ModeInfo& b) {
        if (a.pixelWidth != b.pixelWidth) {
            return a.pixelWidth > b.pixelWidth;
        }
        if (a.pixelHeight != b.pixelHeight) {
            return a.pixelHeight > b.pixelHeight;
        }
        return a.refreshHz > b.refreshHz;
    });
    return kept;
}

bool applyDisplayMode(ModePlatform& platform, DisplayId id, const ModeInfo& mode,
                      ConfigureScope scope) {
    if (!platform.beginConfiguration()) {
        return false;
    }
    platform.configureDisplay(id, mode);
    return platform.completeConfiguration(scope);
}

}  // namespace lumenor
