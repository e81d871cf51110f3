#pragma once

#include <QByteArray>

namespace lumenor::test {

// A blocking TCP connection to 127.0.0.1:port; -1 when it is refused.
int connectLoopback(unsigned short port);

// A connection to 127.0.0.1:port from another loopback address (`source`, such as
// "127.0.0.2"), as a second machine would open it; non-blocking ones may still be under way.
// -1 when it cannot be made.
int connectFromLoopback(const char* source, unsigned short port, bool blocking = true);

// A socket listening on 127.0.0.1:port (0: a free port), or -1.
int listenLoopback(unsigned short port);

// The port a socket is bound to.
unsigned short localPort(int fd);

// The next connection to a listening socket, or -1 when none comes within `timeoutMs`.
int acceptWithin(int listening, int timeoutMs);

// Writes all of `bytes` (stops early if the peer has gone).
void sendAll(int fd, const QByteArray& bytes);

// True when `fd` has something to read (data or its end) within `timeoutMs`.
bool readable(int fd, int timeoutMs);

// Everything the peer sends until it closes; "<timeout>" when it stays silent for `timeoutMs`.
QByteArray readToEnd(int fd, int timeoutMs = 5000);

}  // namespace lumenor::test
