#pragma once

#include <algorithm>
#include <vector>

namespace lumenor::bench {

// The middle of `v` (the mean of the two middle values when their number is even); 0 when empty.
inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    if (n == 0) {
        return 0.0;
    }
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace lumenor::bench
