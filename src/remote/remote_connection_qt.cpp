#include "remote/remote_connection_qt.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <utility>

#include "remote/http_request.h"

namespace lumenor {

RemoteConnection::RemoteConnection(int fd, int deadlineMs,
                                   std::function<QByteArray(const QByteArray&)> respond,
                                   std::function<void(RemoteConnection*)> onClosed, QObject* parent)
    : QObject(parent),
      fd_(fd),
      respond_(std::move(respond)),
      onClosed_(std::move(onClosed)),
      readable_(fd, QSocketNotifier::Read),
      writable_(fd, QSocketNotifier::Write) {
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
    writable_.setEnabled(false);
    connect(&readable_, &QSocketNotifier::activated, this,
            [this] { answered_ ? drain() : readOnce(); });
    connect(&writable_, &QSocketNotifier::activated, this, [this] { writeSome(); });
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] { close(); });
    deadline_.start(deadlineMs);
}

RemoteConnection::~RemoteConnection() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void RemoteConnection::start() {
    readOnce();
}

void RemoteConnection::abort() {
    close();
}

void RemoteConnection::readOnce() {
    // Into a scratch buffer first, so that the request grows only by what has arrived.
    std::array<char, 4096> chunk{};
    for (;;) {
        const qsizetype room = std::min<qsizetype>(chunk.size(), kMaxRequest - buffer_.size());
        const ssize_t got = ::recv(fd_, chunk.data(), room, 0);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                close();
            }
            return;
        }
        buffer_.append(chunk.data(), got);
        received_ += got;
        const bool peerFinished = got == 0;
        if (peerFinished || buffer_.size() >= kMaxRequest ||
            (buffer_.contains("\r\n\r\n") && isRequestComplete(decodeRequestText(buffer_)))) {
            answer(peerFinished);
            return;
        }
    }
}

void RemoteConnection::answer(bool peerFinished) {
    answered_ = true;
    peerFinished_ = peerFinished;
    readable_.setEnabled(!peerFinished);
    pending_ = respond_(buffer_);
    buffer_ = QByteArray();
    writeSome();
}

void RemoteConnection::writeSome() {
    while (!pending_.isEmpty()) {
        const ssize_t sent = ::send(fd_, pending_.constData(), pending_.size(), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                writable_.setEnabled(true);
                return;
            }
            if (errno == EINTR) {
                continue;
            }
            close();
            return;
        }
        pending_.remove(0, sent);
    }
    pending_ = QByteArray();
    writable_.setEnabled(false);
    ::shutdown(fd_, SHUT_WR);
    if (peerFinished_) {
        close();
        return;
    }
    deadline_.start(kLingerMs);
}

void RemoteConnection::drain() {
    std::array<char, 4096> scratch{};
    const ssize_t got = ::recv(fd_, scratch.data(), scratch.size(), 0);
    if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        close();
    }
}

void RemoteConnection::close() {
    if (fd_ < 0) {
        return;
    }
    readable_.setEnabled(false);
    writable_.setEnabled(false);
    deadline_.stop();
    ::close(fd_);
    fd_ = -1;
    buffer_ = QByteArray();
    pending_ = QByteArray();
    if (onClosed_) {
        std::exchange(onClosed_, nullptr)(this);
    }
    deleteLater();
}

}  // namespace lumenor
