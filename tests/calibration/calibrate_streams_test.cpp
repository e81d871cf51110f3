#include <gtest/gtest.h>

#include <QThread>

#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>

#include "calibration/calibrate_session.h"
#include "support/loopback.h"
#include "support/patch_protocol.h"
#include "support/x_pointer.h"

namespace lumenor {
namespace {

using test::nextLine;

using test::framed;

// The test plays the calibration program: it listens, and lumenor connects to it.
class CalibrationStreams : public test::CalibrateTest {
  protected:
    // Starts `lumenor calibrate resolve` at a port of ours with `options`, or with `web` `lumenor
    // calibrate argyll` as a web display tool's client; its connection (for argyll once its first
    // request is read), -1 without one.
    int connectLumenor(const QStringList& options = {}, bool web = false) {
        listening_ = test::listenLoopback(0);
        EXPECT_GE(listening_, 0);
        const QString at = QString("127.0.0.1:%1").arg(test::localPort(listening_));
        startLumenor(QStringList{web ? "argyll" : "resolve", web ? "http://" + at : at} + options);
        const int fd = test::acceptWithin(listening_, 10000);
        char request[4096];
        if (!web ||
            (fd >= 0 && test::readable(fd, 5000) && ::recv(fd, request, sizeof request, 0) > 0)) {
            return fd;
        }
        ::close(fd);
        ADD_FAILURE() << "no request from lumenor";
        return -1;
    }
    void TearDown() override {
        ::close(listening_);
        CalibrateTest::TearDown();
    }
    // Whether the head shows `colour` in `window` (fractions of the head) over `background`.
    bool showsWithin(QRgb colour, QRgb background, QRectF window = {0, 0, 1, 1}, int ms = 1000) {
        const QRect box =
            test::patchBox(head_.size(), window.x(), window.y(), window.width(), window.height());
        return test::headShowsBy(x(), head_, {colour, background, box},
                                 std::chrono::steady_clock::now() + std::chrono::milliseconds(ms));
    }
    int listening_ = -1;
};

TEST_F(CalibrationStreams, PiecesAndRefusedMessagesKeepTheSessionInStep) {
    const int fd = connectLumenor();
    ASSERT_GE(fd, 0);
    const QByteArray first = framed(
        R"(<?xml version="1.0"?><calibration><color red="512" green="0" blue="1023" bits="10"/>)"
        R"(<background red="0" green="0" blue="0" bits="10"/>)"
        R"(<geometry x="0,25" y="0,25" cx="0,5" cy="0,5"/></calibration>)");
    for (const char byte : first) {
        test::sendAll(fd, QByteArray(1, byte));
        QThread::usleep(300);
    }
    EXPECT_TRUE(showsWithin(qRgb(128, 0, 255), qRgb(0, 0, 0), {0.25, 0.25, 0.5, 0.5}));
    test::sendAll(fd, framed(R"(<calibration><color red="1" green=)"));
    test::sendAll(fd,
                  framed(R"(<calibration><color red="300" green="0" blue="0"/></calibration>)"));
    const QByteArray two = framed(
        R"(<calibration><shapes><rectangle><color red="10" green="20" blue="30"/>)"
        R"(<geometry x="0" y="0" cx="1" cy="1"/></rectangle><rectangle>)"
        R"(<color red="200" green="100" blue="50"/><geometry x="192" y="108" cx="384" cy="216"/>)"
        R"(</rectangle></shapes></calibration>)");
    // The length itself arrives in two reads.
    test::sendAll(fd, two.left(2));
    QThread::msleep(50);
    test::sendAll(fd, two.mid(2, 2));
    QThread::msleep(50);
    test::sendAll(fd, two.mid(4));
    EXPECT_TRUE(showsWithin(qRgb(200, 100, 50), qRgb(10, 20, 30), {0.1, 0.1, 0.2, 0.2}));
    test::sendAll(fd, framed(R"(<calibration><shapes><rectangle><color red="7" green="8" )"
                             R"(blue="9"/></rectangle></shapes></calibration>)"));
    EXPECT_TRUE(showsWithin(qRgb(7, 8, 9), qRgb(7, 8, 9)));
    test::sendAll(fd, QByteArray(4, '\0'));
    ASSERT_TRUE(lumenor_.waitForFinished(10000));
    EXPECT_EQ(lumenor_.exitCode(), 0);
    QStringList colours;
    for (QString line = nextLine(lumenor_, 100); !line.isEmpty(); line = nextLine(lumenor_, 100)) {
        const std::optional<test::PatchLine> shown = test::parsePatchLine(line);
        ASSERT_TRUE(shown) << line.toStdString();
        colours << shown->colour;
    }
    EXPECT_EQ(colours, QStringList({"128,0,255", "200,100,50", "7,8,9"}));
    if (test::logsOnStandardError()) {
        EXPECT_EQ(QString(lumenor_.readAllStandardError()).count("refused a message"), 2);
    }
    ::close(fd);
}

TEST_F(CalibrationStreams, WindowBackgroundAndInsertedGreyReachTheHeadAndEscapeEnds) {
    const int fd = connectLumenor({"--window", "25", "--background", "64", "--insert-every", "0.2",
                                   "--insert-for", "0.4", "--insert-grey", "128"});
    ASSERT_GE(fd, 0);
    const QByteArray patch =
        framed(R"(<calibration><color red="250" green="5" blue="90"/></calibration>)");
    const auto windowed = [this] {
        return showsWithin(qRgb(250, 5, 90), qRgb(64, 64, 64), {0.25, 0.25, 0.5, 0.5});
    };
    test::sendAll(fd, patch);
    EXPECT_TRUE(windowed());
    EXPECT_EQ(test::cursorVisibleAt(x().displayName(), head_.center()), false)
        << "a cursor over the patch";
    QThread::msleep(300);
    // Over 0.2 s since the last insertion: the grey comes first, then the patch.
    test::sendAll(fd, patch);
    EXPECT_TRUE(showsWithin(qRgb(128, 128, 128), qRgb(128, 128, 128), {0, 0, 1, 1}, 300));
    EXPECT_TRUE(windowed());
    // Escape on the output ends the session from our side: status 0, the connection closed.
    EXPECT_EQ(test::runProcess("xdotool", {"key", "Escape"}, x().environment()).exitCode, 0);
    ASSERT_TRUE(lumenor_.waitForFinished(10000));
    EXPECT_EQ(lumenor_.exitCode(), 0);
    char byte = 0;
    EXPECT_EQ(::recv(fd, &byte, 1, 0), 0);
    ::close(fd);
}

TEST_F(CalibrationStreams, TheDisplayGoingAwayEndsTheSession) {
    ASSERT_TRUE(x().plug("DUMMY1", "1280x720_60"));
    const int fd = connectLumenor({"--display", QString::number(x().outputId("DUMMY1"))});
    ASSERT_GE(fd, 0);
    head_ = x().head("DUMMY1")->geometry;
    test::sendAll(fd,
                  framed(R"(<calibration><color red="3" green="200" blue="7"/></calibration>)"));
    EXPECT_TRUE(showsWithin(qRgb(3, 200, 7), qRgb(3, 200, 7), {0, 0, 1, 1}, 2000));
    // Patches on another display would be measured as this one's.
    ASSERT_TRUE(x().unplug("DUMMY1"));
    ASSERT_TRUE(lumenor_.waitForFinished(10000));
    EXPECT_EQ(lumenor_.exitCode(), 1);
    const QString err = lumenor_.readAllStandardError();
    EXPECT_EQ(err.count("lumenor: "), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(QString("display %1 went away").arg(x().outputId("DUMMY1"))))
        << err.toStdString();
    ::close(fd);
}

TEST(CalibrateCommandLine, BadArgumentsAreStatusTwo) {
    const QStringList bad[] = {{"calibrate"},
                               {"calibrate", "resolve"},
                               {"calibrate", "nothing", "127.0.0.1"},
                               {"calibrate", "resolve", "127.0.0.1:99999"},
                               {"calibrate", "argyll", "ftp://127.0.0.1"},
                               {"calibrate", "resolve", "127.0.0.1", "--window", "0"},
                               {"calibrate", "resolve", "127.0.0.1", "--background", "256"},
                               {"calibrate", "resolve", "127.0.0.1", "--insert-every", "5"}};
    for (const QStringList& args : bad) {
        const test::ProcessResult r = test::runProcess(test::lumenorBinary(), args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("lumenor: calibrate")) << r.err.toStdString();
    }
}

TEST_F(CalibrationStreams, BrokenStreamsEndTheSessionWithoutHanging) {
    // A length over the limit: the stream is out of step and the session ends with status 1.
    int fd = connectLumenor();
    ASSERT_GE(fd, 0);
    test::sendAll(fd, QByteArray::fromHex("7fffffff") + QByteArray(64, 'x'));
    ASSERT_TRUE(lumenor_.waitForFinished(10000));
    EXPECT_EQ(lumenor_.exitCode(), 1);
    EXPECT_TRUE(lumenor_.readAllStandardError().contains("out of step"));
    ::close(fd);
    ::close(listening_);

    // The program closing in the middle of a message ends the session like any close.
    fd = connectLumenor();
    ASSERT_GE(fd, 0);
    test::sendAll(
        fd,
        framed("<calibration><color red=\"1\" green=\"2\" blue=\"3\"/></calibration>").left(20));
    QThread::msleep(50);
    ::close(fd);
    ASSERT_TRUE(lumenor_.waitForFinished(10000));
    EXPECT_EQ(lumenor_.exitCode(), 0);
    if (test::logsOnStandardError()) {
        EXPECT_TRUE(lumenor_.readAllStandardError().contains("middle of a message"));
    }

    // A web display tool that goes away while it holds a request of ours: the session ends
    // as when its server closes, even though the request is never answered.
    fd = connectLumenor({}, true);
    ASSERT_GE(fd, 0);
    const quint16 port = test::localPort(listening_);
    test::sendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: 7\r\nConnection: close\r\n\r\n#102030");
    ::close(fd);
    fd = test::acceptWithin(listening_, 10000);
    ASSERT_GE(fd, 0) << "no acknowledgement of the colour";
    ::close(listening_);
    listening_ = -1;
    ASSERT_TRUE(lumenor_.waitForFinished(10000));
    EXPECT_EQ(lumenor_.exitCode(), 0);
    EXPECT_TRUE(nextLine(lumenor_, 100).startsWith("patch 16,32,48"));
    ::close(fd);

    // Nobody listening, for either kind of program: one line, status 1.
    for (const QString& where : {QString("resolve 127.0.0.1:%1").arg(port),
                                 QString("argyll http://127.0.0.1:%1").arg(port)}) {
        const test::ProcessResult r =
            test::runProcess(test::lumenorBinary(), QStringList{"calibrate"} + where.split(' '),
                             x().environment(), 20000);
        EXPECT_EQ(r.exitCode, 1) << where.toStdString();
        EXPECT_EQ(r.err.count("lumenor: "), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("calibrate: cannot reach ")) << r.err.toStdString();
    }
}

// A web display tool's answer is one short colour: an answer that never ends, or a redirect
// to another address, ends the session as broken, and nothing is asked of that address.
TEST_F(CalibrationStreams, AnEndlessOrRedirectedWebDisplayAnswerEndsTheSession) {
    const int elsewhere = test::listenLoopback(0);
    const QByteArray endless = "HTTP/1.1 200 OK\r\nContent-Length: 100000000000\r\n\r\n";
    const QByteArray redirect = QString(
                                    "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:%1/"
                                    "ajax/messages\r\nContent-Length: 0\r\n\r\n")
                                    .arg(test::localPort(elsewhere))
                                    .toLatin1();
    const struct {
        QByteArray head;
        bool endless;
        const char* why;
    } cases[] = {{endless, true, "answer is longer than"},
                 {redirect, false, "redirected to another address"}};
    for (const auto& c : cases) {
        const int fd = connectLumenor({}, true);
        ASSERT_GE(fd, 0);
        test::sendAll(fd, c.head);
        // Colours for as long as lumenor takes them, at most 64 MB.
        const QByteArray colours = QByteArray("#102030\n").repeated(8192);
        for (int i = 0; c.endless && i < 1024 && lumenor_.state() == QProcess::Running; ++i) {
            if (::send(fd, colours.constData(), colours.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 &&
                errno != EAGAIN) {
                break;
            }
            lumenor_.waitForFinished(5);
        }
        ASSERT_TRUE(lumenor_.waitForFinished(10000)) << c.why;
        EXPECT_EQ(lumenor_.exitCode(), 1) << c.why;
        const QString err = lumenor_.readAllStandardError();
        EXPECT_TRUE(err.contains(c.why)) << err.toStdString();
        ::close(fd);
        ::close(listening_);
    }
    EXPECT_LT(test::acceptWithin(elsewhere, 0), 0) << "the redirect was followed";
    ::close(elsewhere);
    listening_ = -1;
}

}  // namespace
}  // namespace lumenor
