#pragma once

namespace lumenor {

// Starts the desktop application and runs its event loop until the last window closes.
// Returns 1, after one line on standard error, when no X display can be used.
int runDesktopApp(char* program);

}  // namespace lumenor
