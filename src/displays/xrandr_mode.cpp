#include "displays/xrandr_mode.h"

#include "displays/modeline_rate.h"

namespace lumenor {

double refreshRateOf(const XRRModeInfo& mode) {
    return modelineRefreshHz(mode.dotClock, mode.hTotal, mode.vTotal,
                             (mode.modeFlags & RR_DoubleScan) != 0,
                             (mode.modeFlags & RR_Interlace) != 0);
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
