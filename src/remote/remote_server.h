#pragma once

#include <QString>

#include <functional>
#include <list>
#include <memory>
#include <optional>

#include "remote/command_gate.h"
#include "remote/http_request.h"
#include "remote/local_address.h"
#include "remote/remote_routes.h"

class QObject;

namespace lumenor {

class RemoteConnection;
class RemoteListener;

// The phone remote: an HTTP/1.1 server on an ephemeral port of every IPv4 address that
// answers each connection once and closes it. "POST /cmd" with the right PIN hands a command
// to onCommand; every other request gets the remote page. Runs on the main thread.
class RemoteServer {
  public:
    using Completion = std::function<void(const std::optional<QString>& url, const QString& pin,
                                          const std::optional<QString>& qr)>;

    struct Options {
        LocalAddressSource localAddress = systemLocalAddress;
        std::function<double()> clock = monotonicSeconds;
        // A request must have arrived this long after the connection was accepted.
        int requestDeadlineMs = 5000;
        // Open connections beyond this close one, answered or silent ones first.
        int maxConnections = 64;
    };

    RemoteServer();
    explicit RemoteServer(Options options);
    ~RemoteServer();
    RemoteServer(const RemoteServer&) = delete;
    RemoteServer& operator=(const RemoteServer&) = delete;

    // Called on the main thread after the response to the command has been queued.
    std::function<void(const QString& verb, const RemoteParams& params)> onCommand;
    // What "GET /state" answers; unset, an empty pattern and no output.
    std::function<RemoteSnapshot()> snapshot;

    // Stops any run, draws a new PIN and listens; the completion is called once, later, with
    // the page's address and its QR code, or without them when the start failed.
    void start(Completion completion);
    void stop();

    bool isListening() const;
    const QString& pin() const { return gate_.pin(); }
    quint16 port() const;
    int openConnections() const { return static_cast<int>(connections_.size()); }

  private:
    void reportReady(unsigned run);
    void finish(unsigned run, const std::optional<QString>& url, const std::optional<QString>& qr);
    void accept(int fd);
    QByteArray respond(const QByteArray& buffer);

    Options options_;
    CommandGate gate_;
    std::unique_ptr<QObject> context_;  // parent of connections and posted tasks
    std::unique_ptr<RemoteListener> listener_;
    Completion startCompletion_;
    unsigned run_ = 0;
    std::list<RemoteConnection*> connections_;  // oldest first
};

}  // namespace lumenor
