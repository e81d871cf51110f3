#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "displays/display_info.h"
#include "displays/display_platform.h"

class QScreen;

namespace lumenor {

// The list of active displays, rebuilt on every configuration change, and the mapping
// between display identifiers and Qt screens.
class DisplayService {
  public:
    explicit DisplayService(std::unique_ptr<DisplayPlatform> platform);
    ~DisplayService();
    DisplayService(const DisplayService&) = delete;
    DisplayService& operator=(const DisplayService&) = delete;

    std::function<void(const std::vector<DisplayInfo>&)> onChange;

    // Registers for change notifications, then refreshes once.
    void start();
    // Rebuilds the list and reports it through onChange.
    void refresh();
    std::vector<DisplayInfo> enumerateDisplays() const;

    const std::vector<DisplayInfo>& displays() const { return displays_; }
    QScreen* screenForDisplay(DisplayId id) const;
    std::optional<DisplayId> displayIdForScreen(const QScreen* screen) const;

    DisplayPlatform& platform() { return *platform_; }
    bool seenThroughXwayland() const { return platform_->seenThroughXwayland(); }
    bool isNativeWayland() const { return platform_->isNativeWayland(); }

  private:
    std::unique_ptr<DisplayPlatform> platform_;
    std::vector<DisplayInfo> displays_;
    std::unique_ptr<ChangeSubscription> observer_;
};

}  // namespace lumenor
