#pragma once

#include <QString>

#include <functional>

namespace lumenor {

// Where the core's reports to the controller page go, as scripts to run in it.
using PageSink = std::function<void(const QString& script)>;

}  // namespace lumenor
