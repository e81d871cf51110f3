#pragma once

#include <QImage>

#include <cstdint>
#include <optional>

#include <xcb/xcb.h>

namespace lumenor {

// The layout our frames must have to fill a window of this depth and visual exactly, pixel for
// pixel: RGB32 at depth 24, RGB30 (red in the high bits) at depth 30. None for any other, and
// none where the server would not take our 32-bit words as they lie in memory.
std::optional<QImage::Format> presentFrameFormat(xcb_connection_t* c, std::uint8_t depth,
                                                 xcb_visualid_t visual);

}  // namespace lumenor
