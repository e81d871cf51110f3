// Drives `lumenor show movingBlock --remote` on the virtual X server with 500 commands a
// second for 20 s in each of two stages: while 200 idle connections are held open against it,
// and while 400 connections from another loopback address trickle a byte of garbage each
// every 100 ms, all on loopback. For each stage it prints the commands' latency (connect to
// last response byte), the commands lost and the refreshes the output's frame meter counted
// as missed meanwhile, beside the same count over 20 s without load.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

#include "bench_beds.h"
#include "support/trickle_flood.h"

namespace {

constexpr int kIdleConnections = 200;
constexpr int kTricklingConnections = 400;
constexpr int kCommandsPerSecond = 500;
constexpr int kSeconds = 20;
constexpr int kReopenDelayMs = 100;

int connectNonBlocking(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 &&
        errno != EINPROGRESS) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Connections that never send a byte; each one the server closes is opened again shortly.
class IdleFlood {
  public:
    IdleFlood(quint16 port, int count) : port_(port) {
        for (int i = 0; i < count; ++i) {
            open();
        }
    }
    ~IdleFlood() {
        for (auto& [fd, notifier] : open_) {
            notifier.reset();
            ::close(fd);
        }
    }
    int reopened() const { return reopened_.load(); }

  private:
    void open() {
        const int fd = connectNonBlocking(port_);
        if (fd < 0) {
            QTimer::singleShot(kReopenDelayMs, &context_, [this] { open(); });
            return;
        }
        auto notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, &context_,
                         [this, fd] { closed(fd); });
        open_.emplace_back(fd, std::move(notifier));
    }
    void closed(int fd) {
        const auto it = std::find_if(open_.begin(), open_.end(),
                                     [fd](const auto& entry) { return entry.first == fd; });
        if (it == open_.end()) {
            return;
        }
        it->second->setEnabled(false);
        it->second.release()->deleteLater();
        open_.erase(it);
        ::close(fd);
        ++reopened_;
        QTimer::singleShot(kReopenDelayMs, &context_, [this] { open(); });
    }

    quint16 port_;
    QObject context_;
    std::vector<std::pair<int, std::unique_ptr<QSocketNotifier>>> open_;
    std::atomic<int> reopened_{0};
};

// The flood runs on a thread of its own, as another machine would, so that it never delays
// the commands being timed.
class IdleFloodThread {
  public:
    IdleFloodThread(quint16 port, int count) {
        thread_.start();
        anchor_.moveToThread(&thread_);
        QMetaObject::invokeMethod(
            &anchor_, [&] { flood_ = std::make_unique<IdleFlood>(port, count); },
            Qt::BlockingQueuedConnection);
    }
    ~IdleFloodThread() {
        QMetaObject::invokeMethod(
            &anchor_, [&] { flood_.reset(); }, Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }
    int closedByServer() const { return flood_ ? flood_->reopened() : 0; }

  private:
    QThread thread_;
    QObject anchor_;
    std::unique_ptr<IdleFlood> flood_;
};

// One command: connect, send when connected, read the answer to its end.
class Command : public QObject {
  public:
    Command(quint16 port, const QByteArray& request, std::function<void(Command*)> done)
        : fd_(connectNonBlocking(port)), request_(request), done_(std::move(done)) {
        clock_.start();
        if (fd_ < 0) {
            QTimer::singleShot(0, this, [this] { finish(); });
            return;
        }
        writable_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
        connect(writable_.get(), &QSocketNotifier::activated, this, [this] { send(); });
    }
    ~Command() override {
        writable_.reset();
        readable_.reset();
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    double latencyMs() const { return latencyMs_; }
    const QByteArray& answer() const { return answer_; }

  private:
    void send() {
        writable_->setEnabled(false);
        if (::send(fd_, request_.constData(), request_.size(), MSG_NOSIGNAL) != request_.size()) {
            finish();
            return;
        }
        readable_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        connect(readable_.get(), &QSocketNotifier::activated, this, [this] { read(); });
    }
    void read() {
        char chunk[512];
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n > 0) {
            answer_.append(chunk, n);
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            finish();
        }
    }
    void finish() {
        latencyMs_ = static_cast<double>(clock_.nsecsElapsed()) / 1e6;
        if (readable_) {
            readable_->setEnabled(false);
        }
        done_(this);
    }

    int fd_;
    QByteArray request_;
    std::function<void(Command*)> done_;
    QElapsedTimer clock_;
    std::unique_ptr<QSocketNotifier> writable_;
    std::unique_ptr<QSocketNotifier> readable_;
    QByteArray answer_;
    double latencyMs_ = 0.0;
};

void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

}  // namespace

int main(int argc, char** argv) {
    using namespace lumenor;
    QCoreApplication app(argc, argv);
    auto x = bench::startXorg();
    if (!x) {
        return 1;
    }
    QProcess show;
    show.setProcessEnvironment(x->environment());
    show.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    quint16 port = 0;
    QByteArray pin;
    int handled = 0;
    int lastDropped = -1;
    const QRegularExpression urlLine("^phone remote: http://127\\.0\\.0\\.1:(\\d+)/\\?pin=(\\d+)$");
    const QRegularExpression frameLine("^frame [0-9.]+ Hz dropped (\\d+)");
    QObject::connect(&show, &QProcess::readyReadStandardOutput, [&] {
        while (show.canReadLine()) {
            const QString line = QString::fromUtf8(show.readLine()).trimmed();
            if (const auto m = urlLine.match(line); m.hasMatch()) {
                port = static_cast<quint16>(m.captured(1).toUInt());
                pin = m.captured(2).toLatin1();
            } else if (const auto f = frameLine.match(line); f.hasMatch()) {
                lastDropped = f.captured(1).toInt();
            } else if (line.startsWith(QLatin1String("remote: "))) {
                ++handled;
            }
        }
    });
    show.start(QStringLiteral(LUMENOR_BIN_PATH),
               {"show", "movingBlock", "--remote", "--remote-address", "127.0.0.1"});
    for (int waited = 0; (port == 0 || lastDropped < 0) && waited < 15000; waited += 100) {
        runFor(100);
    }
    if (port == 0 || lastDropped < 0) {
        std::fprintf(stderr, "lumenor show --remote did not start\n");
        return 1;
    }
    runFor(2000);
    // The same stretch without any load, for comparison: what the machine alone costs.
    const int droppedQuiet = lastDropped;
    runFor(kSeconds * 1000);
    const int missedQuiet = lastDropped - droppedQuiet;

    const QByteArray body = "verb=output&on=1&pin=" + pin;
    const QByteArray request =
        "POST /cmd HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: "
        "application/x-www-form-urlencoded\r\nContent-Length: " +
        QByteArray::number(body.size()) + "\r\n\r\n" + body;
    const QByteArray ok =
        "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 2\r\n"
        "Connection: close\r\nCache-Control: no-store\r\n\r\nok";
    const int total = kCommandsPerSecond * kSeconds;
    // One stage: commands at the set pace beside a flood, and what they and the output met.
    auto stage = [&](const char* name, auto&& makeFlood) {
        std::vector<double> latencies;
        int failed = 0;  // closed without the answer, or another answer
        int sent = 0;
        int inFlight = 0;
        auto flood = makeFlood();
        runFor(1000);
        const int droppedBefore = lastDropped;
        const int handledBefore = handled;
        QElapsedTimer clock;
        clock.start();
        QTimer pace;
        pace.setTimerType(Qt::PreciseTimer);
        QObject::connect(&pace, &QTimer::timeout, [&] {
            const auto due = std::min<qint64>(total, clock.elapsed() * kCommandsPerSecond / 1000);
            for (; sent < due; ++sent) {
                ++inFlight;
                new Command(port, request, [&](Command* c) {
                    --inFlight;
                    if (c->answer() == ok) {
                        latencies.push_back(c->latencyMs());
                    } else {
                        ++failed;
                    }
                    c->deleteLater();
                });
            }
        });
        pace.start(1);
        while (sent < total || inFlight > 0) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (clock.elapsed() > (kSeconds + 10) * 1000) {
                break;
            }
        }
        pace.stop();
        runFor(1500);  // the last lines and frame reports
        const int lost = sent - (handled - handledBefore);
        std::printf("%s\n", name);
        std::printf("commands sent %d in %.1f s, answered ok %zu, failed %d, lost %d\n", sent,
                    static_cast<double>(clock.elapsed()) / 1000.0 - 1.5, latencies.size(), failed,
                    lost);
        std::printf("latency ms: p50 %.3f  p99 %.3f  max %.3f\n", percentile(latencies, 0.50),
                    percentile(latencies, 0.99), percentile(latencies, 1.0));
        std::printf("flood connections closed by the server %d\n", flood->closedByServer());
        std::printf("refreshes missed by the output %d under load, %d in %d s without\n",
                    lastDropped - droppedBefore, missedQuiet, kSeconds);
    };
    stage("idle flood: 200 connections held open, never sending",
          [&] { return std::make_unique<IdleFloodThread>(port, kIdleConnections); });
    stage("trickling flood: 400 connections from 127.0.0.2, a byte of garbage every 100 ms",
          [&] { return std::make_unique<test::TrickleFlood>(port, kTricklingConnections); });
    show.terminate();
    show.waitForFinished(5000);
    return 0;
}
