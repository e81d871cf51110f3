#include "support/loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace lumenor::test {

namespace {

sockaddr_in loopbackAddress(unsigned short port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

}  // namespace

int connectLoopback(unsigned short port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in a = loopbackAddress(port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int connectFromLoopback(const char* source, unsigned short port, bool blocking) {
    const int fd =
        ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | (blocking ? 0 : SOCK_NONBLOCK), 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    ::inet_pton(AF_INET, source, &from.sin_addr);
    const sockaddr_in to = loopbackAddress(port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0 ||
        (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0 &&
         (blocking || errno != EINPROGRESS))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int listenLoopback(unsigned short port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in a = loopbackAddress(port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 4) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

unsigned short localPort(int fd) {
    sockaddr_in a{};
    socklen_t length = sizeof a;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
        return 0;
    }
    return ntohs(a.sin_port);
}

int acceptWithin(int listening, int timeoutMs) {
    if (!readable(listening, timeoutMs)) {
        return -1;
    }
    return ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
}

void sendAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        done += n;
    }
}

bool readable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) == 1;
}

QByteArray readToEnd(int fd, int timeoutMs) {
    QByteArray out;
    char chunk[8192];
    for (;;) {
        if (!readable(fd, timeoutMs)) {
            return "<timeout>";
        }
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) {
            return out;
        }
        out.append(chunk, n);
    }
}

}  // namespace lumenor::test
