#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <functional>

namespace lumenor {

// One accepted TCP connection of the phone remote, on the raw socket so that a request whose
// sender has closed its side can still be answered. It reads one request, sends one response
// and closes; a request that has not arrived within the deadline is dropped unanswered. It
// holds no more memory than the peer has sent, and none once closed.
class RemoteConnection : public QObject {
  public:
    // Requests are cut off here and answered as they are.
    static constexpr qsizetype kMaxRequest = 65536;
    // After the response the connection drains what the peer still sends for this long, so
    // that unread bytes do not turn the close into a reset that destroys the response.
    static constexpr int kLingerMs = 1000;

    // respond: the whole response for the bytes received. onClosed: once, when the socket is
    // closed; the object deletes itself afterwards.
    RemoteConnection(int fd, int deadlineMs, std::function<QByteArray(const QByteArray&)> respond,
                     std::function<void(RemoteConnection*)> onClosed, QObject* parent);
    ~RemoteConnection() override;
    RemoteConnection(const RemoteConnection&) = delete;
    RemoteConnection& operator=(const RemoteConnection&) = delete;

    // Reads what has already arrived; a request that is all there is answered at once.
    void start();
    // Closes at once without a response.
    void abort();
    bool isAnswered() const { return answered_; }
    bool isResponseSent() const { return answered_ && pending_.isEmpty(); }
    // What has been read from the peer so far.
    qint64 bytesReceived() const { return received_; }

  private:
    void readOnce();
    void answer(bool peerFinished);
    void writeSome();
    void drain();
    void close();

    int fd_;
    std::function<QByteArray(const QByteArray&)> respond_;
    std::function<void(RemoteConnection*)> onClosed_;
    QSocketNotifier readable_;
    QSocketNotifier writable_;
    QTimer deadline_;
    QByteArray buffer_;
    QByteArray pending_;  // response bytes not yet sent
    qint64 received_ = 0;
    bool peerFinished_ = false;
    bool answered_ = false;
};

}  // namespace lumenor
