#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>

#include "app/single_instance.h"
#include "core/log.h"

namespace lumenor {
namespace {

constexpr QByteArrayView kRaise = "raise";
constexpr QByteArrayView kDone = "done\n";
constexpr qint64 kLongestRequest = 256;

// What a launcher may put in XDG_ACTIVATION_TOKEN, as far as it is passed on: printable
// ASCII without spaces, short.
bool isActivationToken(QByteArrayView token) {
    return !token.isEmpty() && token.size() < kLongestRequest - kRaise.size() - 2 &&
           std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 0x7f; });
}

// "raise\n", or "raise TOKEN\n" with the activation token this start was launched with.
QByteArray raiseRequest() {
    const QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    return kRaise.toByteArray() + (isActivationToken(token) ? ' ' + token : QByteArray()) + '\n';
}

// The token in a raise request; none when the line is no raise request.
std::optional<QString> tokenOfRaise(const QByteArray& line) {
    if (line == kRaise.toByteArray() + '\n') {
        return QString();
    }
    if (!line.startsWith(kRaise.toByteArray() + ' ') || !line.endsWith('\n')) {
        return std::nullopt;
    }
    const QByteArray token = line.mid(kRaise.size() + 1).chopped(1);
    return isActivationToken(token) ? std::optional(QString::fromLatin1(token)) : std::nullopt;
}

// True when `folder` is a real folder (not a link) of this user's, with none of `others`
// permission bits.
bool isPrivateFolder(const QByteArray& folder, mode_t others) {
    struct stat st {};
    return ::lstat(folder.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::getuid() && (st.st_mode & others) == 0;
}

// A folder only this user owns for the lock and the socket: the session's runtime folder, or
// one of ours made in the temporary folder. Never a shared folder, where another user could
// plant a lock or a socket first.
std::optional<QString> privateFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateFolder(runtime, S_IWGRP | S_IWOTH)) {
        return QFile::decodeName(runtime);
    }
    const QByteArray own =
        QFile::encodeName(QStringLiteral("%1/lumenor-%2").arg(QDir::tempPath()).arg(::getuid()));
    ::mkdir(own.constData(), S_IRWXU);
    if (isPrivateFolder(own, S_IRWXG | S_IRWXO)) {
        return QFile::decodeName(own);
    }
    return std::nullopt;
}

// One name per user and X display; ":1" and ":1.0" are the same display. A Wayland session
// without Xwayland is known by its Wayland display.
std::optional<QString> sessionPath() {
    const std::optional<QString> folder = privateFolder();
    if (!folder) {
        return std::nullopt;
    }
    QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty()) {
        display = qEnvironmentVariable("WAYLAND_DISPLAY");
    }
    display.replace(QRegularExpression(QStringLiteral(R"((:\d+)\.\d+$)")), QStringLiteral("\\1"));
    for (QChar& c : display) {
        if (!c.isLetterOrNumber()) {
            c = QLatin1Char('_');
        }
    }
    return QStringLiteral("%1/lumenor-%2-%3").arg(*folder).arg(::getuid()).arg(display);
}

// True when the Lumenor listening at `path` took the request and answered it.
bool askToRaise(const QString& path) {
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(1000)) {
        return false;
    }
    socket.write(raiseRequest());
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
                const std::optional<QString> token =
                    tokenOfRaise(client->readLine(kLongestRequest));
                if (token && onActivate) {
                    onActivate(*token);
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
    const std::optional<QString> session = sessionPath();
    if (!session) {
        // Starting matters more than being the only one.
        qCWarning(logApp,
                  "no folder of this user's own for the session lock; another Lumenor "
                  "in this session is not detected");
        return std::make_unique<SingleInstance>();
    }
    const QString& path = *session;
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
