#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <functional>
#include <memory>

namespace lumenor {

// The phone remote's listening socket on an ephemeral port of every IPv4 address. It accepts
// a bounded number of connections each turn of the event loop, so that a flood of them
// cannot keep the connections already open from being read. When the system has no
// descriptors or memory left for a connection it stops listening for a while and tries again
// until it can, so the remote comes back by itself once the shortage is over.
class RemoteListener : public QObject {
  public:
    static constexpr int kAcceptsPerTurn = 16;

    // Each accepted connection's descriptor, non-blocking, goes to onConnection.
    RemoteListener(int retryMs, std::function<void(int)> onConnection);
    ~RemoteListener() override;
    RemoteListener(const RemoteListener&) = delete;
    RemoteListener& operator=(const RemoteListener&) = delete;

    bool listen();
    bool isListening() const { return fd_ >= 0; }
    quint16 port() const;

  private:
    void acceptSome();
    void pauseAfter(int error);

    std::function<void(int)> onConnection_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> readable_;
    QTimer retry_;
    bool starved_ = false;  // an accept failed for want of resources and none has worked since
};

}  // namespace lumenor
