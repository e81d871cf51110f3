#pragma once

#include <QSettings>

#include <memory>

namespace lumenor {

// The user's defaults database, named after the application identifier whether or not
// applyAppIdentity() has run: $XDG_CONFIG_HOME/<identifier>/Lumenor.conf.
std::unique_ptr<QSettings> openUserSettings();

}  // namespace lumenor
