#pragma once

#include <cstdint>

struct xcb_connection_t;

namespace lumenor {

// Whether the X server behind `connection` is Xwayland, the X server of a Wayland desktop.
// There, mode sets change nothing on the display, Present's clock is not the display's and
// physical sizes are made up. Servers since 23.1 have the XWAYLAND extension; older ones are
// known by their RandR outputs, named XWAYLAND<n> or marked "RANDR Emulation". The first
// answer in the process is logged (at debug level where it is no).
bool detectXwayland(xcb_connection_t* connection, std::uint32_t root);

}  // namespace lumenor
