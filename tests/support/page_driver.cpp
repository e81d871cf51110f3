#include "support/page_driver.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

namespace lumenor::test {

PageDriver::PageDriver(const QString& node, const QString& script, int port) {
    node_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    node_.setProcessChannelMode(QProcess::SeparateChannels);
    node_.start(node, {script, QString::number(port)});
    node_.waitForStarted(10000);
}

PageDriver::~PageDriver() {
    node_.closeWriteChannel();
    if (!node_.waitForFinished(3000)) {
        node_.kill();
        node_.waitForFinished(3000);
    }
}

std::optional<QJsonValue> PageDriver::request(QJsonObject body) {
    const int id = nextId_++;
    body.insert(QStringLiteral("id"), id);
    node_.write(QJsonDocument(body).toJson(QJsonDocument::Compact) + '\n');
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000) {
        while (node_.canReadLine()) {
            const QJsonObject reply = QJsonDocument::fromJson(node_.readLine()).object();
            if (reply.value(QStringLiteral("id")).toInt() != id) {
                continue;
            }
            if (!reply.value(QStringLiteral("ok")).toBool()) {
                lastError_ = reply.value(QStringLiteral("error")).toString();
                return std::nullopt;
            }
            return reply.value(QStringLiteral("value"));
        }
        if (node_.state() == QProcess::NotRunning) {
            lastError_ = QStringLiteral("the page driver ended: ") +
                         QString::fromLocal8Bit(node_.readAllStandardError());
            return std::nullopt;
        }
        node_.waitForReadyRead(200);
    }
    lastError_ = QStringLiteral("no answer from the page driver");
    return std::nullopt;
}

std::optional<QJsonValue> PageDriver::eval(const QString& page, const QString& expression) {
    return request({{QStringLiteral("page"), page}, {QStringLiteral("expr"), expression}});
}

bool PageDriver::run(const QString& page, const QString& expression) {
    return eval(page, expression).has_value();
}

bool PageDriver::waitFor(const QString& page, const QString& expression, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    do {
        const auto value = eval(page, expression);
        if (value && value->toBool()) {
            return true;
        }
        QThread::msleep(50);
    } while (t.elapsed() < timeoutMs);
    lastError_ =
        QStringLiteral("timed out waiting in %1 for: %2 (%3)").arg(page, expression, lastError_);
    return false;
}

QStringList PageDriver::pageUrls() {
    QStringList urls;
    const auto value = request({{QStringLiteral("list"), true}});
    for (const QJsonValue& url : value.value_or(QJsonValue()).toArray()) {
        urls << url.toString();
    }
    return urls;
}

int freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

}  // namespace lumenor::test
