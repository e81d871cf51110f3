#pragma once

#include <QByteArray>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "displays/present_refresh_link.h"
#include "output/frame_cadence.h"

namespace lumenor::test {

// Microseconds of CLOCK_MONOTONIC, the clock of the X server's refresh stamps.
inline std::int64_t nowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A refresh link of this process on an X display, counting the refreshes it finds missing as
// the show's meter counts them, by the time of the refresh after each gap. A refresh the show
// and the bystander both miss went missing in the X server's own clock, which a virtual machine
// stalls now and then.
class RefreshBystander {
  public:
    explicit RefreshBystander(const QByteArray& display) : links_(display) {
        link_ = links_.create(std::nullopt, [this](const RefreshStamp& s) {
            const std::lock_guard lock(mutex_);
            const int before = cadence_.droppedTotal();
            cadence_.step(s.videoTime, s.timeScale, s.refreshPeriod);
            if (cadence_.droppedTotal() > before) {
                gaps_.push_back(s.videoTime);
            }
        });
    }
    bool running() const { return link_ != nullptr; }
    bool missedBetween(std::int64_t fromUs, std::int64_t toUs) const {
        const std::lock_guard lock(mutex_);
        for (const std::int64_t t : gaps_) {
            if (t >= fromUs && t <= toUs) {
                return true;
            }
        }
        return false;
    }

  private:
    PresentRefreshLinkFactory links_;
    mutable std::mutex mutex_;
    std::vector<std::int64_t> gaps_;
    FrameCadence cadence_;
    std::unique_ptr<RefreshLink> link_;
};

}  // namespace lumenor::test
