#pragma once

#include <QNetworkAccessManager>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <optional>

#include "calibration/patch.h"
#include "calibration/session_end.h"

class QNetworkReply;

namespace lumenor {

// Stands in for the page of a calibration tool's web display: asks the tool's message
// address for the next colour, and asks again once that colour is on screen, which is how
// the tool learns that it may measure.
class WebDisplayClient {
  public:
    explicit WebDisplayClient(QUrl base);
    ~WebDisplayClient();
    WebDisplayClient(const WebDisplayClient&) = delete;
    WebDisplayClient& operator=(const WebDisplayClient&) = delete;
    void start();
    // The colour last handed on is on screen: ask for the next one.
    void acknowledge();
    // Stops asking, without a report.
    void close();

    // A new colour, and when it arrived (monotonic microseconds).
    std::function<void(const DeviceRgb&, std::uint64_t receivedUs)> onColour;
    std::function<void(const QString& why)> onRefused;
    std::function<void(SessionEnd end, const QString& why)> onEnded;

  private:
    void request();
    void answered(QNetworkReply* reply);
    void end(SessionEnd how, const QString& why);
    void probe();

    QUrl messages_;
    QNetworkAccessManager network_;
    QTimer retry_;
    QTimer probeTimer_;  // while a request is out
    QTcpSocket probe_;
    std::optional<DeviceRgb> shown_;
    bool answeredOnce_ = false;
    bool waiting_ = false;  // a request is out
    bool ended_ = false;
    quint32 nonce_ = 0;
};

}  // namespace lumenor
