#include "remote/remote_server.h"

#include <QObject>
#include <QThread>

#include <utility>

#include "core/log.h"
#include "remote/pin.h"
#include "remote/qr_code.h"
#include "remote/remote_host_qt.h"

namespace lumenor {

RemoteServer::RemoteServer() : RemoteServer(Options{}) {}

RemoteServer::RemoteServer(Options options)
    : options_(std::move(options)), context_(std::make_unique<QObject>()) {}

RemoteServer::~RemoteServer() {
    if (thread_) {
        onRemoteThread([this] { host_.reset(); });  // closes every connection
        thread_->quit();
        thread_->wait();
    }
    context_.reset();  // drops posted commands and tasks
}

void RemoteServer::onRemoteThread(const std::function<void()>& task) {
    QMetaObject::invokeMethod(anchor_.get(), task, Qt::BlockingQueuedConnection);
}

void RemoteServer::setSnapshot(const RemoteSnapshot& snapshot) {
    const std::lock_guard<std::mutex> hold(snapshotLock_);
    snapshot_ = snapshot;
}

void RemoteServer::start(Completion completion) {
    stop();
    if (!thread_) {
        thread_ = std::make_unique<QThread>();
        thread_->setObjectName(QStringLiteral("phone remote"));
        thread_->start();
        anchor_ = std::make_unique<QObject>();
        anchor_->moveToThread(thread_.get());
        onRemoteThread([this] {
            host_ = std::make_unique<RemoteHost>(
                options_,
                [this](RemoteCommand command) {
                    QMetaObject::invokeMethod(
                        context_.get(),
                        [this, command = std::move(command)] {
                            if (onCommand) {
                                onCommand(command.verb, command.params);
                            }
                        },
                        Qt::QueuedConnection);
                },
                [this] {
                    const std::lock_guard<std::mutex> hold(snapshotLock_);
                    return snapshot_;
                });
        });
    }
    const std::optional<QString> pin = drawPin();
    pin_ = pin.value_or(QString());
    startCompletion_ = std::move(completion);
    const unsigned run = ++run_;
    if (pin) {
        onRemoteThread([this] { port_ = host_->listen(pin_); });
    }
    QMetaObject::invokeMethod(
        context_.get(),
        [this, run] {
            if (port_ != 0) {
                reportReady(run);
            } else {
                finish(run, std::nullopt, std::nullopt);
            }
        },
        Qt::QueuedConnection);
}

void RemoteServer::stop() {
    if (port_ != 0) {
        qCInfo(logRemote, "phone remote stopped");
        onRemoteThread([this] { host_->stopListening(); });
        port_ = 0;
    }
    startCompletion_ = nullptr;
    ++run_;
}

int RemoteServer::openConnections() const {
    return host_ ? host_->openConnections() : 0;
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

}  // namespace lumenor
