#pragma once

#include <QTimer>

#include <functional>
#include <memory>

#include "app/app_state.h"
#include "app/page_sink.h"

namespace lumenor {

// Steps the output through the solid fields (white, black, grey, red, green, blue) every
// `AppState::autoCycleInterval` seconds. Main thread only.
class AutoCycle {
  public:
    struct Hooks {
        PageSink send;
        // Brings the output up with `pattern` where it is hidden; false when there is no
        // display to show it on.
        std::function<bool(Pattern pattern)> ensureOutput;
        std::function<void(Pattern pattern)> showStep;
    };

    AutoCycle(AppState& state, Hooks hooks);

    void start();
    void stop();
    bool running() const { return timer_ != nullptr; }
    int index() const { return index_; }

  private:
    void advance();

    AppState& state_;
    Hooks hooks_;
    std::unique_ptr<QTimer> timer_;
    int index_ = 0;
};

}  // namespace lumenor
