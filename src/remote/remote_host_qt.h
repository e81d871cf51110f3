#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <list>
#include <memory>

#include "remote/command_gate.h"
#include "remote/remote_routes.h"
#include "remote/remote_server.h"

namespace lumenor {

class RemoteConnection;
class RemoteListener;

// The network side of the phone remote: the listening socket, the open connections, their
// parsing and the PIN check. It lives on the remote's own thread, is created, used and
// destroyed there, and hands each command that passed the gate to `deliver` on that thread.
class RemoteHost {
  public:
    // `snapshot` gives what "GET /state" answers, safe to call from this host's thread.
    RemoteHost(const RemoteServer::Options& options, std::function<void(RemoteCommand)> deliver,
               std::function<RemoteSnapshot()> snapshot);
    ~RemoteHost();
    RemoteHost(const RemoteHost&) = delete;
    RemoteHost& operator=(const RemoteHost&) = delete;

    // Stops listening, opens the gate to this PIN alone and listens again; the port, or 0.
    quint16 listen(const QString& pin);
    void stopListening();
    // Safe from any thread.
    int openConnections() const { return open_.load(); }

  private:
    void accept(int fd);
    QByteArray respond(const QByteArray& buffer, const RequestSource& source);

    struct OpenConnection {
        RemoteConnection* connection;
        quint32 client;  // the peer's IPv4 address
        double acceptedAt;
    };

    RemoteServer::Options options_;
    std::function<void(RemoteCommand)> deliver_;
    std::function<RemoteSnapshot()> snapshot_;
    CommandGate gate_;
    QObject context_;  // parent of the connections
    std::unique_ptr<RemoteListener> listener_;
    std::list<OpenConnection> connections_;  // oldest first
    std::atomic<int> open_{0};
};

}  // namespace lumenor
