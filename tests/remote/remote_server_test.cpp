#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <future>
#include <memory>
#include <thread>

#include "remote/http_response.h"
#include "remote/remote_page.h"
#include "remote/remote_server.h"
#include "support/log_capture.h"
#include "support/loopback.h"
#include "support/process.h"

namespace lumenor {
namespace {

using namespace std::chrono_literals;
using test::connectLoopback;
using test::readable;
using test::readToEnd;
using test::sendAll;

// Runs a client on another thread while the main thread's event loop serves it.
template <typename F>
auto whileServing(F client) -> decltype(client()) {
    auto result = std::async(std::launch::async, client);
    QTimer tick;
    tick.start(2);
    while (result.wait_for(0ms) != std::future_status::ready) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return result.get();
}

void serveFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QByteArray exchange(quint16 port, const QByteArray& request, const char* source = "127.0.0.1") {
    const int fd = test::connectFromLoopback(source, port);
    sendAll(fd, request);
    QByteArray answer = readToEnd(fd);
    ::close(fd);
    return answer;
}

// Connections from 127.0.0.1 that each send one byte and stay open, up to 256 at a time,
// the oldest reset to make room for the next, until `stop`.
void oneByteFlood(quint16 port, const std::atomic<bool>& stop) {
    constexpr std::size_t held = 256;
    std::deque<int> open;
    auto reset = [&open] {
        const linger abortive{1, 0};
        ::setsockopt(open.front(), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
        ::close(open.front());
        open.pop_front();
    };
    while (!stop) {
        const int fd = connectLoopback(port);
        if (fd < 0) {
            std::this_thread::sleep_for(1ms);
            continue;
        }
        ::send(fd, "G", 1, MSG_NOSIGNAL);
        open.push_back(fd);
        if (open.size() > held) {
            reset();
        }
    }
    while (!open.empty()) {
        reset();
    }
}

long residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    statm.open(QIODevice::ReadOnly);
    return statm.readAll().split(' ').value(1).toLong() * ::sysconf(_SC_PAGESIZE);
}

QByteArray plain(int status, const char* body) {
    return responseBytes({status, QString::fromLatin1(body), QStringLiteral("text/plain")});
}

class RemoteServerTest : public ::testing::Test {
  protected:
    RemoteServer::Options options() {
        RemoteServer::Options o;
        o.localAddress = [this] { return address; };
        return o;
    }
    void startAndWait(RemoteServer& server) {
        bool reported = false;
        server.start(
            [&](const std::optional<QString>& u, const QString&, const std::optional<QString>& q) {
                reported = true;
                url = u;
                qr = q;
            });
        while (!reported) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }
    QByteArray command(const QString& pin, const char* extra = "verb=blank") {
        const QByteArray body = QByteArray(extra) + "&pin=" + pin.toUtf8();
        return "POST /cmd HTTP/1.1\r\nContent-Length: " + QByteArray::number(body.size()) +
               "\r\n\r\n" + body;
    }

    // Starts a server with `o` that records the commands it hands on in `handed`.
    RemoteServer& serve(const RemoteServer::Options& o) {
        server_ = std::make_unique<RemoteServer>(o);
        server_->onCommand = [this](const QString& verb, const RemoteParams& p) {
            handed.emplace_back(verb, p);
        };
        startAndWait(*server_);
        return *server_;
    }

    std::optional<QString> address = QStringLiteral("192.0.2.7");
    std::optional<QString> url;
    std::optional<QString> qr;
    std::unique_ptr<RemoteServer> server_;
    std::vector<std::pair<QString, RemoteParams>> handed;
};

// One server from its start to its stop: the report and its QR code, commands over curl and raw
// sockets, a lockout, new starts (the last without an address to give), running out of
// descriptors, and what it logged.
TEST_F(RemoteServerTest, OneRunFromStartToStop) {
    test::LogCapture log;
    RemoteServer::Options o = options();
    o.clock = [] { return 500.0; };
    o.acceptRetryMs = 50;
    RemoteServer& server = serve(o);
    const quint16 port = server.port();
    const QString pin = server.pin();
    ASSERT_EQ(pin.size(), 6);
    ASSERT_TRUE(url);
    EXPECT_EQ(*url, QStringLiteral("http://192.0.2.7:%1/?pin=%2").arg(port).arg(pin));

    ASSERT_TRUE(qr && qr->startsWith("data:image/png;base64,"));
    QTemporaryDir dir;
    QFile png(dir.filePath("qr.png"));
    ASSERT_TRUE(png.open(QIODevice::WriteOnly));
    const QByteArray pngBytes = QByteArray::fromBase64(qr->mid(22).toLatin1());
    png.write(pngBytes);
    png.close();
    // 10 pixels a module, a quiet zone of 4 modules, the finder pattern's corner just inside.
    const QImage image = QImage::fromData(pngBytes, "PNG");
    const int modules = image.width() / 10 - 8;
    EXPECT_EQ(image.height(), image.width());
    EXPECT_EQ(image.width() % 10, 0);
    EXPECT_EQ((modules - 21) % 4, 0);
    EXPECT_EQ(qGray(image.pixel(39, 39)), 255);
    EXPECT_EQ(qGray(image.pixel(40, 40)), 0);
    const auto decoded = test::runProcess("zbarimg", {"--raw", "-q", png.fileName()});
    EXPECT_EQ(decoded.out.trimmed(), url->toUtf8());

    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(port);
    struct Case {
        QString form;
        QString origin;
        QByteArray status;
    };
    for (const auto& [form, origin, status] : std::vector<Case>{
             {"verb=pattern&name=grid&pin=" + pin, base, "200 OK"},
             {"verb=pattern&name=black&pin=" + pin, "http://attacker.example", "403 Forbidden"}}) {
        // Captured by name: Clang 14 cannot capture a structured binding.
        const auto r = whileServing([&, &form = form, &origin = origin] {
            return test::runProcess(
                "curl", {"-sS", "-i", "-H", "Origin: " + origin, "-d", form, base + "/cmd"});
        });
        EXPECT_TRUE(r.out.startsWith("HTTP/1.1 " + status + "\r\n")) << r.out.toStdString();
        EXPECT_TRUE(r.out.contains("\r\nConnection: close\r\nCache-Control: no-store\r\n"));
    }

    // Raw sockets: a head and body read apart, the length oddly written; a body cut short by a
    // half close (no verb: nothing handed on); a request over the limit.
    const QByteArray padded = ("verb=blank&pin=" + pin + "&pad=").toUtf8().leftJustified(40, 'x');
    for (const auto& [first, rest] : std::vector<std::pair<QByteArray, QByteArray>>{
             {"POST /cmd HTTP/1.1\r\ncontent-LENGTH:   40  \r\n\r\n", padded},
             {"POST /cmd HTTP/1.1\r\nContent-Length: 100\r\n\r\npin=" + pin.toUtf8(), {}}}) {
        const QByteArray answer = whileServing([&, &first = first, &rest = rest] {
            const int fd = connectLoopback(port);
            sendAll(fd, first);
            const bool early = readable(fd, 200);
            if (rest.isEmpty()) {
                ::shutdown(fd, SHUT_WR);
            } else {
                sendAll(fd, rest);
            }
            QByteArray got = early ? "<answered early>" : readToEnd(fd);
            ::close(fd);
            return got;
        });
        EXPECT_EQ(answer, plain(200, "ok")) << first.toStdString();
    }
    const QByteArray oversize =
        whileServing([&] { return exchange(port, "GET /" + QByteArray(70000 - 5, 'a')); });
    EXPECT_EQ(oversize, responseBytes({200, remotePage(), "text/html; charset=utf-8"}));
    serveFor(20);
    ASSERT_EQ(handed.size(), 2U);
    EXPECT_EQ(handed[0], (std::pair<QString, RemoteParams>{
                             "pattern", {{"verb", "pattern"}, {"name", "grid"}, {"pin", pin}}}));

    // Ten wrong PINs lock out only the address they came from.
    const QString wrong = pin == "000000" ? "000001" : "000000";
    whileServing([&] {
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(exchange(port, command(wrong)), plain(403, "forbidden"));
        }
        EXPECT_EQ(exchange(port, command(pin)), plain(429, "locked 30"));
        EXPECT_EQ(exchange(port, command(pin), "127.0.0.2"), plain(200, "ok"));
        return 0;
    });
    // A start superseded by another never reports; the new one opens the gate with a new PIN.
    int superseded = 0;
    server.start([&](auto&&...) { ++superseded; });
    startAndWait(server);
    EXPECT_EQ(whileServing([&] { return exchange(server.port(), command(server.pin())); }),
              plain(200, "ok"));
    serveFor(20);
    EXPECT_EQ(superseded, 0);
    EXPECT_EQ(handed.size(), 4U);

    // After running out of descriptors it accepts again by itself: every descriptor taken but
    // one, which the client's socket gets.
    const QByteArray request = command(server.pin());
    rlimit saved{};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    const int lowest = ::dup(0);
    ::close(lowest);
    rlimit low = saved;
    low.rlim_cur = static_cast<rlim_t>(lowest) + 8;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> fillers;
    for (int fd = ::dup(0); fd >= 0; fd = ::dup(0)) {
        fillers.push_back(fd);
    }
    ::close(fillers.back());
    fillers.pop_back();
    const QByteArray answer = whileServing([&] {
        const int fd = connectLoopback(server.port());
        sendAll(fd, request);
        std::this_thread::sleep_for(300ms);  // the server fails to accept meanwhile
        for (const int filler : fillers) {
            ::close(filler);
        }
        QByteArray got = readToEnd(fd, 3000);
        ::close(fd);
        return got;
    });
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(answer, plain(200, "ok"));

    server.stop();
    EXPECT_FALSE(server.isListening());
    address.reset();
    startAndWait(server);
    EXPECT_FALSE(url || qr);
    EXPECT_EQ(server.pin().size(), 6);
    const QString remote = QStringLiteral("org.lumenor.Lumenor.remote: phone remote");
    EXPECT_EQ(log.lines().filter(".remote: "),
              QStringList({remote + " listening",
                           remote + ": 127.0.0.1 locked out for 30 s after 10 wrong PINs",
                           remote + " stopped", remote + " stopped", remote + " listening",
                           remote + " cannot accept connections (Too many open files); trying "
                                    "again every 50 ms",
                           remote + " accepts connections again", remote + " stopped",
                           remote + " failed to start"}));
}

TEST_F(RemoteServerTest, IdleConnectionsTimeOutAndAFloodCannotLockThePhoneOut) {
    RemoteServer::Options o = options();
    o.requestDeadlineMs = 300;
    o.maxConnections = 4;
    RemoteServer& server = serve(o);
    const quint16 port = server.port();
    const QString pin = server.pin();

    const QByteArray trickled = whileServing([&] {
        const int fd = connectLoopback(port);
        for (int i = 0; i < 10; ++i) {
            sendAll(fd, "G");
            std::this_thread::sleep_for(50ms);
        }
        QByteArray answer = readToEnd(fd, 2000);
        ::close(fd);
        return answer;
    });
    EXPECT_EQ(trickled, "");  // closed without an answer

    const auto flood = whileServing([&] {
        std::vector<int> idle;
        for (int i = 0; i < 4; ++i) {
            idle.push_back(connectLoopback(port));
            std::this_thread::sleep_for(10ms);
        }
        const QByteArray answer = exchange(port, command(pin));
        // The longest-open idle connection made room and was closed unanswered.
        const QByteArray first = readToEnd(idle[0], 100);
        const bool secondOpen = !readable(idle[1], 0);
        for (const int fd : idle) {
            ::close(fd);
        }
        return std::tuple(answer, first, secondOpen);
    });
    EXPECT_EQ(std::get<0>(flood), plain(200, "ok"));
    EXPECT_EQ(std::get<1>(flood), "");
    EXPECT_TRUE(std::get<2>(flood));
    serveFor(400);
    EXPECT_EQ(server.openConnections(), 0);

    // An answered connection still open on the phone's side goes before a silent one.
    const bool silentKept = whileServing([&] {
        const int answered = connectLoopback(port);
        sendAll(answered, command(pin));
        readable(answered, 1000);
        std::vector<int> silent;
        for (int i = 0; i < 4; ++i) {
            silent.push_back(connectLoopback(port));
            std::this_thread::sleep_for(10ms);
        }
        const bool kept = !readable(silent[0], 50);
        ::close(answered);
        for (const int fd : silent) {
            ::close(fd);
        }
        return kept;
    });
    EXPECT_TRUE(silentKept);
}

// In the first round a phone sends its commands 20 ms after connecting, through the flood.
TEST_F(RemoteServerTest, APhoneGetsThroughFloodsOfOneByteConnectionsThatGiveTheirMemoryBack) {
    RemoteServer::Options o = options();
    o.maxConnections = 64;  // fewer than the flood holds, so that it is evicted all along
    RemoteServer& server = serve(o);
    const quint16 port = server.port();
    const QByteArray request = command(server.pin());
    serveFor(50);
    const long before = residentBytes();
    for (int round = 0; round < 3; ++round) {
        std::atomic<bool> stop{false};
        const int answered = whileServing([&] {
            const auto end = std::chrono::steady_clock::now() + 2s;
            std::thread flood(oneByteFlood, port, std::cref(stop));
            std::this_thread::sleep_for(200ms);
            int ok = 0;
            for (int i = 0; round == 0 && i < 20; ++i) {
                const int fd = test::connectFromLoopback("127.0.0.2", port);
                std::this_thread::sleep_for(20ms);
                sendAll(fd, request);
                ok += readToEnd(fd, 2000) == plain(200, "ok") ? 1 : 0;
                ::close(fd);
            }
            std::this_thread::sleep_until(end);
            stop = true;
            flood.join();
            return ok;
        });
        EXPECT_EQ(answered, round == 0 ? 20 : 0);
        serveFor(100);
    }
    EXPECT_EQ(handed.size(), 20U);
    EXPECT_LT(residentBytes() - before, 100L << 20);
}

}  // namespace
}  // namespace lumenor
