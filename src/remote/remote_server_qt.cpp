#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <iterator>
#include <vector>

#include <utility>

#include "core/log.h"
#include "remote/connection_eviction.h"
#include "remote/pin.h"
#include "remote/qr_code.h"
#include "remote/remote_connection_qt.h"
#include "remote/remote_listener_qt.h"
#include "remote/remote_routes.h"
#include "remote/remote_server.h"

namespace lumenor {

namespace {

QString addressText(const sockaddr_in& address) {
    std::array<char, INET_ADDRSTRLEN> text{};
    return inet_ntop(AF_INET, &address.sin_addr, text.data(), text.size()) ? text.data()
                                                                           : QString();
}

RequestSource sourceOf(int fd) {
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length);
    sockaddr_in own{};
    length = sizeof own;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&own), &length);
    return {addressText(peer),
            QStringLiteral("http://%1:%2").arg(addressText(own)).arg(ntohs(own.sin_port))};
}

}  // namespace

RemoteServer::RemoteServer() : RemoteServer(Options{}) {}

RemoteServer::RemoteServer(Options options)
    : options_(std::move(options)), gate_(options_.clock), context_(std::make_unique<QObject>()) {}

RemoteServer::~RemoteServer() {
    listener_.reset();
    context_.reset();  // closes every connection and drops posted tasks
}

void RemoteServer::start(Completion completion) {
    stop();
    const std::optional<QString> pin = drawPin();
    gate_.reset(pin.value_or(QString()));
    startCompletion_ = std::move(completion);
    const unsigned run = ++run_;
    listener_ =
        std::make_unique<RemoteListener>(options_.acceptRetryMs, [this](int fd) { accept(fd); });
    const bool listening = pin && listener_->listen();
    QMetaObject::invokeMethod(
        context_.get(),
        [this, run, listening] {
            if (listening) {
                reportReady(run);
            } else {
                finish(run, std::nullopt, std::nullopt);
            }
        },
        Qt::QueuedConnection);
}

void RemoteServer::stop() {
    if (listener_) {
        qCInfo(logRemote, "phone remote stopped");
    }
    startCompletion_ = nullptr;
    ++run_;
    listener_.reset();
}

bool RemoteServer::isListening() const {
    return listener_ && listener_->isListening();
}

quint16 RemoteServer::port() const {
    return listener_ ? listener_->port() : 0;
}

void RemoteServer::reportReady(unsigned run) {
    const std::optional<QString> address = options_.localAddress();
    if (!address) {
        finish(run, std::nullopt, std::nullopt);
        return;
    }
    const QString url = QStringLiteral("http://%1:%2/?pin=%3").arg(*address).arg(port()).arg(pin());
    finish(run, url, qrDataUrl(url));
}

void RemoteServer::finish(unsigned run, const std::optional<QString>& url,
                          const std::optional<QString>& qr) {
    if (run != run_) {
        return;
    }
    if (url) {
        qCInfo(logRemote, "phone remote listening");
    } else {
        qCCritical(logRemote, "phone remote failed to start");
    }
    if (startCompletion_) {
        std::exchange(startCompletion_, nullptr)(url, pin(), qr);
    }
}

void RemoteServer::accept(int fd) {
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
    const RequestSource source = sourceOf(fd);
    auto* connection = new RemoteConnection(
        fd, options_.requestDeadlineMs,
        [this, source](const QByteArray& buffer) { return respond(buffer, source); },
        [this](RemoteConnection* closed) {
            std::erase_if(connections_, [closed](const OpenConnection& open) {
                return open.connection == closed;
            });
        },
        context_.get());
    connections_.push_back({connection, source.client, now});
    // Connections arrive in bursts after a busy moment; answering the ones whose request is
    // already in keeps them from being pushed out by the rest of the burst.
    connection->start();
}

QByteArray RemoteServer::respond(const QByteArray& buffer, const RequestSource& source) {
    RouteResult result = routeRequest(parseRequest(decodeRequestText(buffer)), gate_, source);
    if (result.command) {
        QMetaObject::invokeMethod(
            context_.get(),
            [this, command = std::move(*result.command)] {
                if (onCommand) {
                    onCommand(command.verb, command.params);
                }
            },
            Qt::QueuedConnection);
    }
    return responseBytes(result.answer);
}

}  // namespace lumenor
