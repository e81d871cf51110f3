#include "support/trickle_flood.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "support/loopback.h"

namespace lumenor::test {

namespace {

using Clock = std::chrono::steady_clock;

// A request line begun and never ended, then bytes that are no UTF-8 and no HTTP.
constexpr char kGarbage[] = "GET /\xff\xfe%zz<\x01>\"?\xc3(\x80\x7f&=\t x";

struct Slot {
    int fd = -1;
    std::size_t sent = 0;
    Clock::time_point next;  // the next byte, or the next attempt to connect
};

}  // namespace

TrickleFlood::TrickleFlood(unsigned short port, int connections, int everyMs, int reopenMs,
                           const char* source)
    : thread_([=, this] { run(port, connections, everyMs, reopenMs, source); }) {}

TrickleFlood::~TrickleFlood() {
    stop_ = true;
    thread_.join();
}

void TrickleFlood::run(unsigned short port, int connections, int everyMs, int reopenMs,
                       const char* source) {
    // The flood stands in for another machine: on this one it takes only the CPU that the
    // program under test leaves.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
    const auto every = std::chrono::milliseconds(everyMs);
    const auto reopen = std::chrono::milliseconds(reopenMs);
    std::vector<Slot> sockets(static_cast<std::size_t>(connections));
    const Clock::time_point start = Clock::now();
    for (std::size_t i = 0; i < sockets.size(); ++i) {
        sockets[i].next = start + every * static_cast<long>(i) / connections;  // spread out
    }
    std::vector<pollfd> watched;
    while (!stop_) {
        const Clock::time_point now = Clock::now();
        watched.clear();
        for (Slot& s : sockets) {
            if (s.fd < 0 && now >= s.next) {
                s.fd = connectFromLoopback(source, port, false);
                s.sent = 0;
                s.next = now + (s.fd < 0 ? reopen : every);
            } else if (s.fd >= 0 && now >= s.next) {
                const char byte = kGarbage[s.sent++ % (sizeof kGarbage - 1)];
                ::send(s.fd, &byte, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
                s.next += every;
            }
            if (s.fd >= 0) {
                watched.push_back({s.fd, POLLIN, 0});
            }
        }
        ::poll(watched.data(), watched.size(), 5);
        for (const pollfd& p : watched) {
            if (p.revents == 0) {
                continue;
            }
            char scratch[4096];
            const ssize_t got = ::recv(p.fd, scratch, sizeof scratch, MSG_DONTWAIT);
            if (got > 0 || (got < 0 && (errno == EAGAIN || errno == EINTR))) {
                continue;
            }
            for (Slot& s : sockets) {
                if (s.fd == p.fd) {
                    ::close(s.fd);
                    s.fd = -1;
                    s.next = Clock::now() + reopen;
                    ++closed_;
                }
            }
        }
    }
    for (const Slot& s : sockets) {
        if (s.fd >= 0) {
            ::close(s.fd);
        }
    }
}

}  // namespace lumenor::test
