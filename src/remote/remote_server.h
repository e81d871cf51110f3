#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "remote/command_gate.h"
#include "remote/http_request.h"
#include "remote/local_address.h"
#include "remote/remote_routes.h"

class QObject;
class QThread;

namespace lumenor {

class RemoteHost;

// The phone remote: an HTTP/1.1 server on an ephemeral port of every IPv4 address that
// answers each connection once and closes it. "POST /cmd" with the right PIN hands a command
// to onCommand; every other request gets the remote page. The sockets are accepted, read and
// answered on a thread of the remote's own, so that no traffic delays the main thread; only
// commands that passed the PIN check reach it. The object itself is used on the main thread.
class RemoteServer {
  public:
    using Completion = std::function<void(const std::optional<QString>& url, const QString& pin,
                                          const std::optional<QString>& qr)>;

    struct Options {
        LocalAddressSource localAddress = systemLocalAddress;
        // Called on the remote's thread.
        std::function<double()> clock = monotonicSeconds;
        // A request must have arrived this long after the connection was accepted.
        int requestDeadlineMs = 5000;
        // Open connections beyond this close one, answered ones first, then those that have
        // sent least for their age.
        int maxConnections = 512;
        // After an accept failed for want of descriptors or memory, tried again this often.
        int acceptRetryMs = 1000;
    };

    RemoteServer();
    explicit RemoteServer(Options options);
    ~RemoteServer();
    RemoteServer(const RemoteServer&) = delete;
    RemoteServer& operator=(const RemoteServer&) = delete;

    // Called on the main thread after the response to the command has been queued.
    std::function<void(const QString& verb, const RemoteParams& params)> onCommand;
    // What "GET /state" answers from now on (an empty pattern and no output until set).
    // Main thread; the remote's thread reads a copy.
    void setSnapshot(const RemoteSnapshot& snapshot);

    // Stops any run, draws a new PIN and listens; the completion is called once, later, with
    // the page's address and its QR code, or without them when the start failed.
    void start(Completion completion);
    void stop();

    bool isListening() const { return port_ != 0; }
    const QString& pin() const { return pin_; }
    quint16 port() const { return port_; }
    int openConnections() const;

  private:
    void onRemoteThread(const std::function<void()>& task);
    void reportReady(unsigned run);
    void finish(unsigned run, const std::optional<QString>& url, const std::optional<QString>& qr);

    Options options_;
    std::unique_ptr<QObject> context_;  // the main thread's: receives commands and posted tasks
    std::unique_ptr<QThread> thread_;   // started with the first run
    std::unique_ptr<QObject> anchor_;   // lives on the remote's thread
    std::unique_ptr<RemoteHost> host_;  // made, used and destroyed on the remote's thread
    QString pin_;
    quint16 port_ = 0;
    mutable std::mutex snapshotLock_;
    RemoteSnapshot snapshot_;
    Completion startCompletion_;
    unsigned run_ = 0;
};

}  // namespace lumenor
