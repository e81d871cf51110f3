#pragma once

#include <cstdint>

namespace lumenor {

// The refresh rate of a modeline: dot clock over the total raster, halved for double scan
// and doubled for interlace. 0 for a mode without timings.
inline double modelineRefreshHz(std::uint64_t dotClock, std::uint32_t hTotal, std::uint32_t vTotal,
                                bool doubleScan, bool interlace) {
    if (hTotal == 0 || vTotal == 0) {
        return 0.0;
    }
    double hz =
        static_cast<double>(dotClock) / (static_cast<double>(hTotal) * static_cast<double>(vTotal));
    if (doubleScan) {
        hz /= 2.0;
    }
    if (interlace) {
        hz *= 2.0;
    }
    return hz;
}

}  // namespace lumenor
