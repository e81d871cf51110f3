#include "calibration/resolve_client.h"

namespace lumenor {

namespace {

constexpr int kConnectTimeoutMs = 10000;

}  // namespace

ResolveClient::ResolveClient() {
    connectTimeout_.setSingleShot(true);
    QObject::connect(&connectTimeout_, &QTimer::timeout, [this] {
        socket_.abort();
        end(SessionEnd::unreachable, QStringLiteral("no answer within 10 s"));
    });
    QObject::connect(&socket_, &QTcpSocket::connected, [this] {
        connectTimeout_.stop();
        connected_ = true;
        socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        if (onConnected) {
            onConnected();
        }
    });
    QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { readAvailable(); });
    QObject::connect(&socket_, &QTcpSocket::errorOccurred, [this](QAbstractSocket::SocketError) {
        if (!connected_) {
            connectTimeout_.stop();
            end(SessionEnd::unreachable, socket_.errorString());
        }
    });
    QObject::connect(&socket_, &QTcpSocket::disconnected, [this] {
        readAvailable();
        if (reader_.pending() > 0) {
            if (onRefused) {
                onRefused(QStringLiteral("the connection closed in the middle of a message "
                                         "(%1 bytes lost)")
                              .arg(reader_.pending()));
            }
        }
        end(SessionEnd::clean, QStringLiteral("the calibration program closed the connection"));
    });
}

// A socket still open says it disconnected as it goes, after the members that its handlers
// use have gone: they must not run then.
ResolveClient::~ResolveClient() {
    QObject::disconnect(&socket_, nullptr, nullptr, nullptr);
}

void ResolveClient::connectTo(const QString& host, quint16 port) {
    connectTimeout_.start(kConnectTimeoutMs);
    socket_.connectToHost(host, port);
}

void ResolveClient::close() {
    if (ended_) {
        return;
    }
    onEnded = nullptr;
    connectTimeout_.stop();
    end(SessionEnd::clean, QString());
}

void ResolveClient::readAvailable() {
    if (ended_) {
        return;
    }
    const QByteArray bytes = socket_.readAll();
    const std::uint64_t receivedUs = monotonicMicroseconds();
    for (const ResolveFrameReader::Event& e : reader_.feed(bytes)) {
        switch (e.kind) {
            case ResolveFrameReader::Event::Kind::message: {
                const ResolveParse parsed = parseResolveMessage(e.body);
                if (parsed.request) {
                    if (onRequest) {
                        onRequest(*parsed.request, receivedUs);
                    }
                } else if (onRefused) {
                    onRefused(parsed.error);
                }
                break;
            }
            case ResolveFrameReader::Event::Kind::end:
                end(SessionEnd::clean, QStringLiteral("the calibration program ended the session"));
                return;
            case ResolveFrameReader::Event::Kind::oversized:
                if (onRefused) {
                    onRefused(QStringLiteral("a message of %1 bytes, over the 1 MiB limit")
                                  .arg(e.length));
                }
                end(SessionEnd::broken,
                    QStringLiteral("the stream is out of step after an oversized message"));
                return;
        }
        if (ended_) {
            return;
        }
    }
}

void ResolveClient::end(SessionEnd how, const QString& why) {
    if (ended_) {
        return;
    }
    ended_ = true;
    socket_.disconnect();
    socket_.abort();
    if (onEnded) {
        onEnded(how, why);
    }
}

}  // namespace lumenor
