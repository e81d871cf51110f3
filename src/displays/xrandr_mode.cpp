#include "displays/xrandr_mode.h"

namespace lumenor {

double refreshRateOf(const XRRModeInfo& mode) {
    if (mode.hTotal == 0 || mode.vTotal == 0) {
        return 0.0;
    }
    double hz = static_cast<double>(mode.dotClock) /
                (static_cast<double>(mode.hTotal) * static_cast<double>(mode.vTotal));
    if ((mode.modeFlags & RR_DoubleScan) != 0) {
        hz /= 2.0;
    }
    if ((mode.modeFlags & RR_Interlace) != 0) {
        hz *= 2.0;
    }
    return hz;
}

ModeInfo modeInfoFromXrandr(const XRRModeInfo& mode) {
    ModeInfo info;
    info.id = static_cast<std::int32_t>(mode.id);
    info.pixelWidth = mode.width;
    info.pixelHeight = mode.height;
    info.pointWidth = mode.width;
    info.pointHeight = mode.height;
    info.refreshHz = refreshRateOf(mode);
    XRRModeInfo copy = mode;
    copy.name = nullptr;  // the name belongs to the resources it came from
    copy.nameLength = 0;
    info.raw = std::make_shared<const XRRModeInfo>(copy);
    return info;
}

const XRRModeInfo* findMode(const XRRScreenResources* res, RRMode id) {
    for (int i = 0; i < res->nmode; ++i) {
        if (res->modes[i].id == id) {
            return &res->modes[i];
        }
    }
    return nullptr;
}

}  // namespace lumenor
