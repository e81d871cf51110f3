#pragma once

#include <QString>
#include <QTcpSocket>
#include <QTimer>

#include <cstdint>
#include <functional>

#include "calibration/resolve_frame_reader.h"
#include "calibration/resolve_message.h"
#include "calibration/session_end.h"

namespace lumenor {

// Connects to a calibration program serving patches over TCP and hands on each message
// it sends, until the program ends the session.
class ResolveClient {
  public:
    static constexpr quint16 kDefaultPort = 20002;

    ResolveClient();
    ~ResolveClient();
    ResolveClient(const ResolveClient&) = delete;
    ResolveClient& operator=(const ResolveClient&) = delete;
    void connectTo(const QString& host, quint16 port);
    // Ends the session from this side, without a report.
    void close();

    // A message, and when its last byte arrived (monotonic microseconds).
    std::function<void(const ResolveRequest&, std::uint64_t receivedUs)> onRequest;
    std::function<void()> onConnected;
    // One line for a message refused.
    std::function<void(const QString& why)> onRefused;
    // Called once; `why` says what happened in a few words.
    std::function<void(SessionEnd end, const QString& why)> onEnded;

  private:
    void readAvailable();
    void end(SessionEnd how, const QString& why);

    QTcpSocket socket_;
    QTimer connectTimeout_;
    ResolveFrameReader reader_;
    bool connected_ = false;
    bool ended_ = false;
};

}  // namespace lumenor
