#pragma once

#include <memory>

#include "updates/updater_controller.h"

namespace lumenor {

// Names another address for the update feed (a mirror); it must be HTTPS.
inline constexpr const char* kUpdateFeedVariable = "LUMENOR_UPDATE_FEED";

// The process's update controller: Lumenor's feed and key, HTTPS through Qt, the desktop's
// dialogs, the user's settings and Downloads folder.
std::unique_ptr<UpdaterController> makeDesktopUpdater();

// This computer as release feeds name it: "linux", the Debian architecture, the system's
// release.
UpdatePlatform thisPlatform();

}  // namespace lumenor
