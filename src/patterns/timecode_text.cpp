#include "patterns/timecode_text.h"

#include <cmath>
#include <cstdint>

namespace lumenor {

QString timecodeText(int fps, double t) {
    std::int64_t frames = 0;
    const double count = std::floor(static_cast<double>(fps) * t);
    // Beyond 2^53 frames the count is no longer exact; such clocks are far past any real run.
    if (fps > 0 && std::isfinite(count) && count > 0 && count < 9.0e15) {
        frames = static_cast<std::int64_t>(count);
    }
    const std::int64_t rate = fps > 0 ? fps : 1;
    const std::int64_t seconds = frames / rate;
    const std::int64_t f = frames % rate;
    return QString::asprintf("%02d:%02d:%02d:%02d", static_cast<int>((seconds / 3600) % 24),
                             static_cast<int>((seconds / 60) % 60), static_cast<int>(seconds % 60),
                             static_cast<int>(f));
}

}  // namespace lumenor
