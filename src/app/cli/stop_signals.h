#pragma once

#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace lumenor::cli {

// Turns Ctrl-C (SIGINT), a polite kill (SIGTERM) and a hang-up (SIGHUP) into a call of
// `onStop` on the main thread, through a pipe the handler writes to, so that the program ends
// the way it would have ended anyway. One per process.
class StopSignals {
  public:
    explicit StopSignals(std::function<void()> onStop);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // False when the signals could not be caught; they then end the process as usual.
    bool caught() const { return notifier_ != nullptr; }

  private:
    std::function<void()> onStop_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace lumenor::cli
