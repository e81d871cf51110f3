#include "remote/remote_host_qt.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <array>
#include <iterator>
#include <utility>
#include <vector>

#include "remote/connection_eviction.h"
#include "remote/remote_connection_qt.h"
#include "remote/remote_listener_qt.h"

namespace lumenor {

namespace {

QString addressText(const sockaddr_in& address) {
    std::array<char, INET_ADDRSTRLEN> text{};
    return inet_ntop(AF_INET, &address.sin_addr, text.data(), text.size()) ? text.data()
                                                                           : QString();
}

struct Ends {
    quint32 peer;
    RequestSource source;
};

Ends endsOf(int fd) {
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length);
    sockaddr_in own{};
    length = sizeof own;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&own), &length);
    return {ntohl(peer.sin_addr.s_addr),
            {addressText(peer),
             QStringLiteral("http://%1:%2").arg(addressText(own)).arg(ntohs(own.sin_port))}};
}

}  // namespace

RemoteHost::RemoteHost(const RemoteServer::Options& options,
                       std::function<void(RemoteCommand)> deliver,
                       std::function<RemoteSnapshot()> snapshot)
    : options_(options),
      deliver_(std::move(deliver)),
      snapshot_(std::move(snapshot)),
      gate_(options_.clock) {}

// The connections go with the context, closing their sockets without reporting back.
RemoteHost::~RemoteHost() = default;

quint16 RemoteHost::listen(const QString& pin) {
    listener_.reset();
    gate_.reset(pin);
    listener_ =
        std::make_unique<RemoteListener>(options_.acceptRetryMs, [this](int fd) { accept(fd); });
    return listener_->listen() ? listener_->port() : 0;
}

void RemoteHost::stopListening() {
    listener_.reset();
}

void RemoteHost::accept(int fd) {
    // Beyond the cap a connection that has been answered, else the one that has achieved
    // least for its age makes room, so that a flood cannot push out a phone's request.
    const double now = options_.clock();
    while (static_cast<int>(connections_.size()) >= options_.maxConnections &&
           !connections_.empty()) {
        std::vector<ConnectionStanding> standings;
        standings.reserve(connections_.size());
        for (const OpenConnection& open : connections_) {
            standings.push_back({open.client, now - open.acceptedAt,
                                 open.connection->bytesReceived(), open.connection->isAnswered(),
                                 open.connection->isResponseSent()});
        }
        const auto victim =
            std::next(connections_.begin(), static_cast<std::ptrdiff_t>(evictionVictim(standings)));
        RemoteConnection* closing = victim->connection;
        connections_.erase(victim);
        closing->abort();
        delete closing;  // now, not on a later turn of the event loop
    }
    const auto [peer, source] = endsOf(fd);
    auto* connection = new RemoteConnection(
        fd, options_.requestDeadlineMs,
        // Captured by name: Clang 14 cannot capture a structured binding.
        [this, source = source](const QByteArray& buffer) { return respond(buffer, source); },
        [this](RemoteConnection* closed) {
            std::erase_if(connections_, [closed](const OpenConnection& open) {
                return open.connection == closed;
            });
            open_ = static_cast<int>(connections_.size());
        },
        &context_);
    connections_.push_back({connection, peer, now});
    open_ = static_cast<int>(connections_.size());
    // Connections arrive in bursts after a busy moment; answering the ones whose request is
    // already in keeps them from being pushed out by the rest of the burst.
    connection->start();
}

QByteArray RemoteHost::respond(const QByteArray& buffer, const RequestSource& source) {
    RouteResult result =
        routeRequest(parseRequest(decodeRequestText(buffer)), gate_, source, snapshot_());
    if (result.command) {
        // Handed on once the response has been queued, on a later turn of this thread.
        QMetaObject::invokeMethod(
            &context_, [this, command = std::move(*result.command)] { deliver_(command); },
            Qt::QueuedConnection);
    }
    return responseBytes(result.answer);
}

}  // namespace lumenor
