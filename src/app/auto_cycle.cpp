#include "app/auto_cycle.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "controller/page_calls.h"

namespace lumenor {

namespace {

constexpr std::array<Pattern, 6> kCycle = {Pattern::white, Pattern::black, Pattern::grey50,
                                           Pattern::red,   Pattern::green, Pattern::blue};

// Held to the range the page offers, whatever reaches the bridge: a shorter interval turns
// the solid fields into a strobe (a hazard to viewers), a value that is not a number would
// give a timer that never fires.
int intervalMs(double seconds) {
    constexpr double kShortest = 0.5;
    constexpr double kLongest = 3600.0;
    if (!std::isfinite(seconds)) {
        seconds = kShortest;
    }
    return static_cast<int>(std::lround(std::clamp(seconds, kShortest, kLongest) * 1000.0));
}

}  // namespace

AutoCycle::AutoCycle(AppState& state, Hooks hooks) : state_(state), hooks_(std::move(hooks)) {}

void AutoCycle::start() {
    if (!hooks_.ensureOutput(Pattern::white)) {
        // The page's switch may have moved already: nothing cycles.
        hooks_.send(QLatin1String(pagecalls::kAutoCycleOff));
        return;
    }
    state_.autoCycleOn = true;
    hooks_.send(QLatin1String(pagecalls::kAutoCycleOn));
    index_ = 0;
    advance();
    timer_ = std::make_unique<QTimer>();
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setInterval(intervalMs(state_.autoCycleInterval));
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { advance(); });
    timer_->start();
}

void AutoCycle::advance() {
    const Pattern p = kCycle[static_cast<std::size_t>(index_) % kCycle.size()];
    ++index_;
    state_.activePattern = p;
    hooks_.showStep(p);
    hooks_.send(pagecalls::patternChanged(rawName(p)));
}

void AutoCycle::stop() {
    if (!state_.autoCycleOn && !timer_) {
        return;
    }
    timer_.reset();
    state_.autoCycleOn = false;
    hooks_.send(QLatin1String(pagecalls::kAutoCycleOff));
}

}  // namespace lumenor
