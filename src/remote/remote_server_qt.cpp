#include <QHostAddress>
#include <QTcpServer>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include <utility>

#include "core/log.h"
#include "remote/pin.h"
#include "remote/qr_code.h"
#include "remote/remote_connection_qt.h"
#include "remote/remote_routes.h"
#include "remote/remote_server.h"

namespace lumenor {

// Hands over the raw descriptor of each accepted connection.
class RemoteListener : public QTcpServer {
  public:
    std::function<void(int)> onConnection;

  protected:
    void incomingConnection(qintptr fd) override {
        if (onConnection) {
            onConnection(static_cast<int>(fd));
        } else {
            ::close(static_cast<int>(fd));
        }
    }
};

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
    listener_ = std::make_unique<RemoteListener>();
    listener_->onConnection = [this](int fd) { accept(fd); };
    // Room for bursts of connections, so that none waits for the client to try again.
    listener_->setListenBacklogSize(SOMAXCONN);
    const bool listening = pin && listener_->listen(QHostAddress::AnyIPv4, 0);
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
    return listener_ ? listener_->serverPort() : 0;
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
    // A flood of connections must not push out a phone's request: beyond the cap the
    // longest-open connection that has already been answered makes room, else the
    // longest-open one that has sent nothing, else the longest-open of all.
    while (static_cast<int>(connections_.size()) >= options_.maxConnections &&
           !connections_.empty()) {
        auto victim = std::find_if(connections_.begin(), connections_.end(),
                                   [](RemoteConnection* c) { return c->isAnswered(); });
        if (victim == connections_.end()) {
            victim = std::find_if(connections_.begin(), connections_.end(),
                                  [](RemoteConnection* c) { return !c->hasSentAnything(); });
        }
        if (victim == connections_.end()) {
            victim = connections_.begin();
        }
        RemoteConnection* closing = *victim;
        connections_.erase(victim);
        closing->abort();
    }
    auto* connection = new RemoteConnection(
        fd, options_.requestDeadlineMs,
        [this](const QByteArray& buffer) { return respond(buffer); },
        [this](RemoteConnection* closed) { connections_.remove(closed); }, context_.get());
    connections_.push_back(connection);
    // Connections arrive in bursts after a busy moment; answering the ones whose request is
    // already in keeps them from being pushed out by the rest of the burst.
    connection->start();
}

QByteArray RemoteServer::respond(const QByteArray& buffer) {
    RouteResult result = routeRequest(parseRequest(decodeRequestText(buffer)), gate_,
                                      snapshot ? snapshot() : RemoteSnapshot{}, options_.clock());
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
