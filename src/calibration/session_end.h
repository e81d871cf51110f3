#pragma once

#include <QString>

#include <chrono>
#include <cstdint>

namespace lumenor {

// How a session with a calibration program ended.
enum class SessionEnd {
    clean,        // the program ended it, or closed the connection
    unreachable,  // the program could not be reached at all
    broken        // the stream went out of step and could not go on
};

// Microseconds of the monotonic clock, the clock of the display's completion times.
inline std::uint64_t monotonicMicroseconds() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace lumenor
