#include "displays/display_service.h"

#include <algorithm>
#include <utility>

namespace lumenor {

DisplayService::DisplayService(std::unique_ptr<DisplayPlatform> platform)
    : platform_(std::move(platform)) {}

// The subscription goes before the platform it is registered with.
DisplayService::~DisplayService() {
    observer_.reset();
}

void DisplayService::start() {
    observer_ = platform_->observeChanges([this] { refresh(); });
    refresh();
}

void DisplayService::refresh() {
    displays_ = enumerateDisplays();
    if (onChange) {
        onChange(displays_);
    }
}

std::vector<DisplayInfo> DisplayService::enumerateDisplays() const {
    std::vector<DisplayInfo> list;
    const std::optional<std::vector<DisplayId>> ids = platform_->activeDisplays();
    if (!ids || ids->empty()) {
        return list;
    }
    const std::vector<ScreenEntry> screens = platform_->screens();
    for (const DisplayId id : *ids) {
        std::optional<ModeInfo> mode = platform_->currentMode(id);
        if (!mode) {
            continue;
        }
        mode->isCurrent = true;
        mode->isNative = false;

        DisplayInfo info;
        info.id = id;
        info.isBuiltin = platform_->isBuiltin(id);
        info.physicalSizeMM = platform_->physicalSizeMM(id);
        info.bitsPerChannel = platform_->bitsPerChannel(id);
        // A head turned to portrait is described as it stands, size and panel alike, so
        // that its density and its place in its mode list come out right.
        if (platform_->isQuarterTurned(id)) {
            *mode = mode->turnedQuarter();
            std::swap(info.physicalSizeMM.width, info.physicalSizeMM.height);
        }
        info.currentMode = std::move(*mode);

        const auto screen = std::find_if(screens.begin(), screens.end(),
                                         [id](const ScreenEntry& s) { return s.number == id; });
        if (screen != screens.end()) {
            info.name = screen->localizedName;
            info.connector = screen->connector;
        } else if (info.isBuiltin) {
            info.name = QStringLiteral("Built-in Display");
        } else {
            info.name = QStringLiteral("Display %1").arg(id);
        }
        list.push_back(std::move(info));
    }
    return list;
}

QScreen* DisplayService::screenForDisplay(DisplayId id) const {
    for (const ScreenEntry& s : platform_->screens()) {
        if (s.number == id) {
            return s.screen;
        }
    }
    return nullptr;
}

std::optional<DisplayId> DisplayService::displayIdForScreen(const QScreen* screen) const {
    if (screen == nullptr) {
        return std::nullopt;
    }
    for (const ScreenEntry& s : platform_->screens()) {
        if (s.screen == screen) {
            return s.number;
        }
    }
    return std::nullopt;
}

}  // namespace lumenor
