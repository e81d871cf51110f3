#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include "displays/mode_info.h"

namespace lumenor {

// The refresh rate of a modeline: dot clock over the total raster, halved for double scan
// and doubled for interlace. 0 for a mode without timings.
double refreshRateOf(const XRRModeInfo& mode);

// A ModeInfo for a RandR mode: number, size (points = pixels) and rate, holding a copy of
// the mode as its platform handle.
ModeInfo modeInfoFromXrandr(const XRRModeInfo& mode);

const XRRModeInfo* findMode(const XRRScreenResources* res, RRMode id);

}  // namespace lumenor
