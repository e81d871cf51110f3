#pragma once

namespace lumenor {

// State of the three-stage pink-noise filter applied to white noise.
struct PinkFilter {
    float b0 = 0.0f;  // slowest stage (pole 0.99765)
    float b1 = 0.0f;  // middle stage (pole 0.963)
    float b2 = 0.0f;  // fastest stage (pole 0.57)
};

}  // namespace lumenor
