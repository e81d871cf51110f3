#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

#include <unistd.h>

#include "app/single_instance.h"
#include "core/log.h"

namespace lumenor {
namespace {

constexpr QByteArrayView kRaise = "raise\n";
constexpr QByteArrayView kDone = "done\n";

// One name per user and X display; ":1" and ":1.0" are the same display.
QString sessionPath() {
    QString display = qEnvironmentVariable("DISPLAY");
    display.replace(QRegularExpression(QStringLiteral(R"((:\d+)\.\d+$)")), QStringLiteral("\\1"));
    for (QChar& c : display) {
        if (!c.isLetterOrNumber()) {
            c = QLatin1Char('_');
        }
    }
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = QDir::tempPath();
    }
    return QStringLiteral("%1/lumenor-%2-%3").arg(folder).arg(::getuid()).arg(display);
}

// True when the Lumenor listening at `path` took the request and answered it.
bool askToRaise(const QString& path) {
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(1000)) {
        return false;
    }
    socket.write(kRaise.data(), kRaise.size());
    if (!socket.waitForBytesWritten(1000)) {
        return false;
    }
    while (socket.bytesAvailable() < kDone.size()) {
        if (!socket.waitForReadyRead(3000)) {
            return false;
        }
    }
    return socket.readLine() == kDone;
}

class LocalSingleInstance : public SingleInstance {
  public:
    explicit LocalSingleInstance(const QString& path) : path_(path), lock_(path + ".lock") {
        // Only a dead holder makes the lock stale, never its age.
        lock_.setStaleLockTime(0);
    }

    // Takes the lock (a crashed holder's is taken over) and listens; false when a live
    // Lumenor holds it.
    bool take() {
        if (!lock_.tryLock(0)) {
            return false;
        }
        // Whatever socket is there was left by a Lumenor that is gone.
        QLocalServer::removeServer(path_);
        server_.setSocketOptions(QLocalServer::UserAccessOption);
        if (!server_.listen(path_)) {
            qCWarning(logApp, "cannot take requests from other Lumenor starts: %s",
                      qUtf8Printable(server_.errorString()));
        }
        QObject::connect(&server_, &QLocalServer::newConnection, &server_, [this] { accept(); });
        return true;
    }

  private:
    void accept() {
        while (QLocalSocket* client = server_.nextPendingConnection()) {
            QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            QObject::connect(client, &QLocalSocket::readyRead, client, [this, client] {
                if (!client->canReadLine()) {
                    return;
                }
                if (client->readLine() == kRaise && onActivate) {
                    onActivate();
                }
                client->write(kDone.data(), kDone.size());
                client->disconnectFromServer();
            });
            // A client that never says anything is not kept.
            QTimer::singleShot(3000, client, [client] { client->abort(); });
        }
    }

    QString path_;
    QLockFile lock_;
    QLocalServer server_;
};

}  // namespace

std::unique_ptr<SingleInstance> SingleInstance::claim(bool* raised) {
    const QString path = sessionPath();
    auto self = std::make_unique<LocalSingleInstance>(path);
    QElapsedTimer waited;
    waited.start();
    while (!self->take()) {
        if (askToRaise(path)) {
            if (raised != nullptr) {
                *raised = true;
            }
            return nullptr;
        }
        // The holder is alive but does not answer: it may be between taking the lock and
        // listening. Give it a moment, then leave it the session.
        if (waited.elapsed() > 5000) {
            qCWarning(logApp, "another Lumenor holds this session but does not answer");
            return nullptr;
        }
        QThread::msleep(50);
    }
    return self;
}

}  // namespace lumenor
