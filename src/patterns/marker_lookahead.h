#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "displays/refresh_link.h"
#include "patterns/pattern.h"

namespace lumenor {

// The refreshes of one display, known ahead from the stamp of the latest: they follow it
// every period. Times in seconds of the monotonic clock.
struct RefreshGrid {
    double lastRefresh = 0.0;
    double period = 0.0;
    std::uint64_t lastCounter = 0;

    // None when the stamp has no usable period or time scale.
    static std::optional<RefreshGrid> from(const RefreshStamp& stamp);

    // The first refresh at or after `time`, later than the last one: the frame shown there is
    // the first that can show what happens at `time`.
    double refreshAtOrAfter(double time) const { return lastRefresh + stepsTo(time) * period; }
    std::uint64_t counterAtOrAfter(double time) const {
        return lastCounter + static_cast<std::uint64_t>(stepsTo(time));
    }

  private:
    double stepsTo(double time) const;
};

// The refresh grid of a display from its recent stamps. A stamp can come late (a busy server
// stamps a refresh when it gets round to it), but the refreshes themselves keep their period:
// each recent stamp is carried forward by whole periods to the latest counter, and the median
// of them is taken as the latest refresh. An event's frame is chosen twice, when its sound is
// scheduled and when the frame is drawn: a grid that moved by microseconds in between could
// put an event next to a refresh on different refreshes, so the grid handed out holds still
// until the stamps move it by more than kHoldSeconds.
//
// The times the display gives our own frames as they reach the screen are what the sound must
// meet: once enough of them are known the grid follows them alone. A server without vertical
// blanks of its own stamps each refresh when its timer is served, the refresh stamps after the
// frames queued for the same refresh, later by the time it takes to copy them; a display with
// vertical blanks gives both the same time.
class RefreshGridTracker {
  public:
    static constexpr std::size_t kStamps = 31;
    static constexpr std::size_t kShownEnough = 8;
    static constexpr double kHoldSeconds = 0.0005;

    // Stamps of another period, or whose counter does not follow on, start the grid afresh.
    void add(const RefreshStamp& stamp);
    // One of our frames reached the screen at refresh `counter`, at `time` (seconds).
    void addShown(std::uint64_t counter, double time);
    // The grid at the latest counter.
    std::optional<RefreshGrid> grid() const;
    void reset() {
        refreshes_ = {};
        shown_ = {};
        held_.reset();
    }

  private:
    struct Seen {
        std::uint64_t counter;
        double time;
    };
    struct Ring {
        std::array<Seen, kStamps> seen{};
        std::size_t count = 0;
        std::size_t next = 0;
        void add(Seen s);
    };
    RefreshGrid median(const Ring& ring) const;
    void update();

    Ring refreshes_;
    Ring shown_;
    RefreshGrid latest_;
    std::optional<RefreshGrid> held_;
};

// The sync events of an animated pattern, announced ahead of the frames that show them: the
// animation is a function of time, so the frame that first shows a floor contact or a new
// count second is known as soon as the display's refreshes are.
class MarkerLookahead {
  public:
    enum class Kind { bounce, countSecond };
    struct Marker {
        Kind kind;
        double showTime;  // the refresh whose frame first shows the event
    };

    // A new pattern: every event is announced again.
    void restart() {
        nextBounce_ = 1;
        nextSecond_ = 0;
    }
    // A new bounce period: the bounces are counted again, the seconds go on.
    void restartBounce() { nextBounce_ = 1; }

    // The events not announced yet whose frames are shown at or before `until`, for a pattern
    // whose clock started at `startTime`. A bounce period that is not positive and finite has
    // no bounces.
    std::vector<Marker> take(Pattern pattern, double startTime, double bouncePeriod,
                             const RefreshGrid& grid, double until);

  private:
    long long nextBounce_ = 1;  // the first floor contact comes half a period after the start
    long long nextSecond_ = 0;
};

}  // namespace lumenor
