#pragma once

#include "displays/xrandr_connection.h"

namespace lumenor {

// Puts RandR mode `mode` on the CRTC that drives `output`, keeping the CRTC's position,
// rotation and outputs, and resizes the X screen to the new layout, all under a server grab.
// True only when the server accepted every request; otherwise the previous CRTC and screen
// size are put back as far as the server lets us.
bool setOutputMode(XrandrConnection& connection, unsigned long output, unsigned long mode);

// The RandR mode id the output shows now; 0 when it shows none or does not exist.
unsigned long currentModeOfOutput(XrandrConnection& connection, unsigned long output);

// The CRTC that drives the output is turned 90° or 270°.
bool outputIsQuarterTurned(XrandrConnection& connection, unsigned long output);

}  // namespace lumenor
