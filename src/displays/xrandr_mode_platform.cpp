#include "displays/xrandr_mode_platform.h"

#include <algorithm>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include "displays/xrandr_mode.h"
#include "displays/xrandr_mode_apply.h"

namespace lumenor {

namespace {

using ResourcesPtr = std::unique_ptr<XRRScreenResources, decltype(&XRRFreeScreenResources)>;
using OutputPtr = std::unique_ptr<XRROutputInfo, decltype(&XRRFreeOutputInfo)>;

}  // namespace

XrandrModePlatform::XrandrModePlatform(std::unique_ptr<XrandrConnection> connection,
                                       QString guardianProgram, QStringList guardianArgs)
    : connection_(std::move(connection)),
      guardian_(std::move(guardianProgram), std::move(guardianArgs), connection_->name()) {}

XrandrModePlatform::~XrandrModePlatform() = default;

std::optional<std::vector<ModeInfo>> XrandrModePlatform::allModes(DisplayId id) {
    Display* dpy = connection_->display();
    const ResourcesPtr res{XRRGetScreenResourcesCurrent(dpy, connection_->root()),
                           XRRFreeScreenResources};
    if (!res) {
        return std::nullopt;
    }
    const OutputPtr out{XRRGetOutputInfo(dpy, res.get(), id), XRRFreeOutputInfo};
    if (!out) {
        return std::nullopt;
    }
    // Xwayland lists the output's real mode first, as its one preferred mode; the rest are
    // made up.
    const int listed =
        connection_->isXwayland() ? std::min(out->nmode, std::max(out->npreferred, 1)) : out->nmode;
    std::vector<ModeInfo> modes;
    for (int i = 0; i < listed; ++i) {
        if (const XRRModeInfo* m = findMode(res.get(), out->modes[i])) {
            modes.push_back(modeInfoFromXrandr(*m));
        }
    }
    return modes;
}

std::optional<ModeInfo> XrandrModePlatform::currentMode(DisplayId id) {
    const unsigned long current = currentModeOfOutput(*connection_, id);
    if (current == 0) {
        return std::nullopt;
    }
    const ResourcesPtr res{
        XRRGetScreenResourcesCurrent(connection_->display(), connection_->root()),
        XRRFreeScreenResources};
    const XRRModeInfo* m = res ? findMode(res.get(), current) : nullptr;
    return m ? std::optional<ModeInfo>(modeInfoFromXrandr(*m)) : std::nullopt;
}

bool XrandrModePlatform::isQuarterTurned(DisplayId id) {
    return outputIsQuarterTurned(*connection_, id);
}

std::optional<QString> XrandrModePlatform::modeChangeRefusal() {
    return connection_->isXwayland() ? std::optional<QString>(modesFixedOnWaylandDesktop())
                                     : std::nullopt;
}

bool XrandrModePlatform::beginConfiguration() {
    configured_.reset();
    return true;
}

void XrandrModePlatform::configureDisplay(DisplayId id, const ModeInfo& mode) {
    const auto* raw = static_cast<const XRRModeInfo*>(mode.raw.get());
    const unsigned long modeId = raw != nullptr ? raw->id : static_cast<unsigned long>(mode.id);
    configured_ = std::make_pair(id, modeId);
}

bool XrandrModePlatform::completeConfiguration(ConfigureScope scope) {
    if (!configured_) {
        return false;
    }
    const auto [id, mode] = *configured_;
    configured_.reset();
    if (connection_->isXwayland()) {
        return false;
    }
    if (scope == ConfigureScope::forAppOnly) {
        return applyForAppOnly(id, mode);
    }
    if (!setOutputMode(*connection_, id, mode)) {
        return false;
    }
    guardian_.forget(id);
    return true;
}

bool XrandrModePlatform::applyForAppOnly(DisplayId id, unsigned long mode) {
    const unsigned long before = currentModeOfOutput(*connection_, id);
    if (before == 0) {
        guardian_.forget(id);
        return false;
    }
    const std::optional<ModeGuardian::Entry> earlier = guardian_.held(id);
    // The first application-only change of a display fixes what goes back at the end.
    const unsigned long snapshot = earlier ? earlier->snapshot : before;
    const bool backToSnapshot = snapshot == mode;
    // Held before the change, so no moment passes in which our end would leave it behind.
    if (!backToSnapshot && !guardian_.hold(id, {snapshot, mode})) {
        return false;
    }
    const bool ok = setOutputMode(*connection_, id, mode);
    if (!ok && earlier) {
        guardian_.hold(id, *earlier);
    } else if (!ok || backToSnapshot) {
        guardian_.forget(id);
    }
    return ok;
}

}  // namespace lumenor
