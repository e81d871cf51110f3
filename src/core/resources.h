#pragma once

#include <QString>

#include <optional>

namespace lumenor {

// Names a folder holding our data in place of the one found beside the executable.
inline constexpr const char* kDataDirVariable = "LUMENOR_DATA_DIR";

// Our read-only data folder, "share/lumenor": the folder $LUMENOR_DATA_DIR names when set,
// otherwise the first "share/lumenor" found going up from the executable's own folder (an
// installed <prefix>/bin/lumenor finds <prefix>/share/lumenor; a program in the build tree
// finds the build folder's). None when there is none.
std::optional<QString> dataDirectory();

// The page `name` (e.g. "controller.html") in the data folder's "pages" folder, when it is
// there.
std::optional<QString> pagePath(const QString& name);

}  // namespace lumenor
