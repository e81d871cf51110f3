#include "remote/remote_listener_qt.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "core/log.h"

namespace lumenor {

RemoteListener::RemoteListener(int retryMs, std::function<void(int)> onConnection)
    : onConnection_(std::move(onConnection)) {
    retry_.setSingleShot(true);
    retry_.setInterval(retryMs);
    connect(&retry_, &QTimer::timeout, this, [this] { readable_->setEnabled(true); });
}

RemoteListener::~RemoteListener() {
    readable_.reset();
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool RemoteListener::listen() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    // Room for bursts of connections, so that none waits for the client to try again.
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0 ||
        ::listen(fd, SOMAXCONN) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    readable_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(readable_.get(), &QSocketNotifier::activated, this, [this] { acceptSome(); });
    return true;
}

quint16 RemoteListener::port() const {
    sockaddr_in own{};
    socklen_t length = sizeof own;
    if (fd_ < 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&own), &length) != 0) {
        return 0;
    }
    return ntohs(own.sin_port);
}

void RemoteListener::acceptSome() {
    for (int i = 0; i < kAcceptsPerTurn; ++i) {
        const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            if (error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM) {
                pauseAfter(error);
            }
            // Else nothing more is waiting, or a connection went away before it was taken.
            return;
        }
        if (std::exchange(starved_, false)) {
            qCInfo(logRemote, "phone remote accepts connections again");
        }
        onConnection_(fd);
    }
}

void RemoteListener::pauseAfter(int error) {
    // The waiting connection stays in the queue and would wake the loop at once, again and again.
    readable_->setEnabled(false);
    retry_.start();
    if (!std::exchange(starved_, true)) {
        qCWarning(logRemote,
                  "phone remote cannot accept connections (%s); trying again every %d ms",
                  std::strerror(error), retry_.interval());
    }
}

}  // namespace lumenor
