#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "displays/display_info.h"

namespace lumenor {

// The time stamp of one display refresh, in the link's own units.
struct RefreshStamp {
    std::int64_t videoTime = 0;      // when the refresh happened (microseconds on X11)
    std::int32_t timeScale = 0;      // video-time units per second
    std::int64_t refreshPeriod = 0;  // nominal duration of one refresh, in those units
    std::uint64_t counter = 0;       // the display's refresh counter
};

// A running display-synchronised callback: one call per refresh of one display, on the
// link's own thread, until the object is destroyed.
class RefreshLink {
  public:
    virtual ~RefreshLink() = default;
    // The stamps follow the display's own refreshes. On a Wayland desktop they follow a clock
    // of the X server's instead, good for pacing animation but not for counting drops.
    virtual bool followsDisplayClock() const { return true; }
};

using RefreshCallback = std::function<void(const RefreshStamp&)>;

class RefreshLinkFactory {
  public:
    virtual ~RefreshLinkFactory() = default;
    // A link following `display`, or every active display when none; null when it cannot be
    // made.
    virtual std::unique_ptr<RefreshLink> create(std::optional<DisplayId> display,
                                                RefreshCallback onRefresh) = 0;
};

}  // namespace lumenor
