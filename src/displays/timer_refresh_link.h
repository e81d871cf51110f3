#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "displays/refresh_link.h"

namespace lumenor {

// Stands in for a display's own refresh events where the display cannot report them: a
// thread that wakes at the nominal refresh rate and stamps each wake with the monotonic
// clock in microseconds. Deadlines are absolute, so a late wake does not shift the ones
// after it; wakes missed altogether advance the counter as a real display's would.
class TimerRefreshLink : public RefreshLink {
  public:
    // Null when `refreshHz` is not a usable rate.
    static std::unique_ptr<TimerRefreshLink> start(double refreshHz, RefreshCallback onRefresh);
    ~TimerRefreshLink() override;

    TimerRefreshLink(const TimerRefreshLink&) = delete;
    TimerRefreshLink& operator=(const TimerRefreshLink&) = delete;

  private:
    TimerRefreshLink(std::int64_t periodMicros, RefreshCallback onRefresh);
    void run();

    const std::int64_t period_;
    RefreshCallback onRefresh_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace lumenor
