#include "displays/child_reaper.h"

#include <sys/wait.h>

#include <cerrno>
#include <thread>

namespace lumenor {

namespace {

// True once the child is collected (or is not ours to collect).
bool collect(pid_t pid, int options) {
    for (;;) {
        const pid_t r = ::waitpid(pid, nullptr, options);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        return r != 0;
    }
}

}  // namespace

void reapWhenEnded(pid_t pid) {
    if (pid <= 0 || collect(pid, WNOHANG)) {
        return;
    }
    std::thread([pid] { collect(pid, 0); }).detach();
}

}  // namespace lumenor
