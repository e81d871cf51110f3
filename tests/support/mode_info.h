#pragma once

#include <cstdint>

#include "displays/mode_info.h"

namespace lumenor::test {

// A mode of `w` × `h` pixels at `hz`, as many points unless `pw` and `ph` say otherwise.
inline ModeInfo mode(std::int32_t id, std::int64_t w, std::int64_t h, double hz = 60.0,
                     std::int64_t pw = 0, std::int64_t ph = 0) {
    ModeInfo m;
    m.id = id;
    m.pixelWidth = w;
    m.pixelHeight = h;
    m.pointWidth = pw != 0 ? pw : w;
    m.pointHeight = ph != 0 ? ph : h;
    m.refreshHz = hz;
    return m;
}

}  // namespace lumenor::test
