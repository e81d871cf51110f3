#pragma once

#include <functional>
#include <memory>

namespace lumenor {

// Tells its owner that the computer has woken from sleep. Main thread only.
class WakeSource {
  public:
    virtual ~WakeSource() = default;
    std::function<void()> onWake;
};

std::unique_ptr<WakeSource>
makeLogindWakeSource();  // system bus; no bus: never fires, nothing fails

}  // namespace lumenor
