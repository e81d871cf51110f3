#pragma once

#include <sys/types.h>

namespace lumenor {

// Collects the exit status of child `pid` without waiting for it: at once if it has ended,
// otherwise on a thread of its own whenever it ends, so that it never lingers as a zombie.
void reapWhenEnded(pid_t pid);

}  // namespace lumenor
