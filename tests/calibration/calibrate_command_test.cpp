#include <gtest/gtest.h>

#include <QProcess>
#include <QThread>

#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <utility>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

#include "calibration/calibrate_session.h"
#include "support/loopback.h"
#include "support/patch_protocol.h"
#include "support/process.h"
#include "support/x_pointer.h"

namespace lumenor {
namespace {

using namespace std::chrono;
using test::framed;
using test::nextLine;

// A bound on a patch that came at all; how fast they come is patch_latency_bench's to say.
constexpr milliseconds kPatchDeadline(500);

// Each test runs on a server at depth 24 and at depth 30 (ten bits a channel).
class CalibrationPeers : public test::CalibrateTest, public ::testing::WithParamInterface<int> {
  protected:
    void SetUp() override {
        useDepth(GetParam());
        test::CalibrateTest::SetUp();
    }
    int bits() const { return GetParam() == 30 ? 10 : 8; }
};

// The three values of a colour given at `from` bits, as the nearest codes at `to` bits.
std::array<int, 3> atDepth(std::array<int, 3> c, int from, int to) {
    for (int& v : c) {
        v = static_cast<int>(std::lround(v * ((1 << to) - 1.0) / ((1 << from) - 1)));
    }
    return c;
}

quint32 pixelWord(const std::array<int, 3>& c, int bits) {
    return test::pixelWord(c[0], c[1], c[2], bits);
}

QString valuesText(const std::array<int, 3>& c) {
    return QString("%1,%2,%3").arg(c[0]).arg(c[1]).arg(c[2]);
}

// At depth 30 every value reaches the head exactly, given at 8 bits or at 10; at depth 24 each
// is rounded to the nearest 8-bit code, which the log says once. The patch line gives the values
// as shown and their depth.
TEST_P(CalibrationPeers, DisplayCalResolveServerPutsEveryPatchOnTheHead) {
    QProcess peer;
    peer.start("/usr/bin/python3", {RESOLVE_PEER});
    ASSERT_TRUE(peer.waitForStarted());
    QString line = nextLine(peer);
    while (!line.isEmpty() && !line.startsWith("port ")) {
        line = nextLine(peer);
    }
    ASSERT_FALSE(line.isEmpty()) << "the calibration program's server did not start: "
                                 << peer.readAllStandardError().toStdString();
    startLumenor({"resolve", "127.0.0.1:" + line.mid(5)});
    // The server class prints a line of its own when the connection is made.
    for (line = nextLine(peer); !line.isEmpty() && line != "connected"; line = nextLine(peer)) {
    }
    ASSERT_EQ(line.toStdString(), "connected");

    // 24 patches: a third given at 8 bits, the rest at 10; every other one in a window over a
    // background of its own.
    for (int i = 0; i < 24; ++i) {
        const int given = i % 3 == 0 ? 8 : 10;
        const int codes = 1 << given;
        const std::array<int, 3> colour{(i * 137 + 11) % codes, (i * 59 + 300) % codes,
                                        (i * 211) % codes};
        const int grey = i % 2 == 1 ? (i * 31) % codes : 0;
        const QRectF window = i % 2 == 0   ? QRectF(0, 0, 1, 1)
                              : i % 4 == 1 ? QRectF(0.45, 0.45, 0.1, 0.1)
                                           : QRectF(0.1, 0.2, 0.3, 0.25);
        const double top = codes - 1;
        const QString command = QString::asprintf(
            "send %d %.10f %.10f %.10f %.10f %.10f %.10f %.4f %.4f %.4f %.4f\n", given,
            colour[0] / top, colour[1] / top, colour[2] / top, grey / top, grey / top, grey / top,
            window.x(), window.y(), window.width(), window.height());
        peer.write(command.toLatin1());
        const QString sent = nextLine(peer);
        ASSERT_TRUE(sent.startsWith("sent ")) << sent.toStdString();
        // The peer's monotonic clock is ours.
        const steady_clock::time_point deadline =
            steady_clock::time_point(
                duration_cast<steady_clock::duration>(duration<double>(sent.mid(5).toDouble()))) +
            kPatchDeadline;
        const std::array<int, 3> shownColour = atDepth(colour, given, bits());
        const test::ExpectedPatch expected{
            pixelWord(shownColour, bits()),
            pixelWord(atDepth({grey, grey, grey}, given, bits()), bits()),
            test::patchBox(head_.size(), window)};
        EXPECT_TRUE(headShowsBy(x(), head_, expected, deadline)) << command.toStdString();
        const std::optional<test::PatchLine> shown = test::parsePatchLine(nextLine(lumenor_));
        ASSERT_TRUE(shown);
        EXPECT_EQ(shown->colour, valuesText(shownColour));
        EXPECT_EQ(shown->bits, bits());
        EXPECT_GE(shown->latencyMs, 0.0);
        EXPECT_LT(shown->latencyMs, static_cast<double>(kPatchDeadline.count()));
    }
    peer.write("end\n");
    peer.waitForBytesWritten();
    ASSERT_TRUE(lumenor_.waitForFinished(10000));
    const QString err = lumenor_.readAllStandardError();
    EXPECT_EQ(lumenor_.exitCode(), 0) << err.toStdString();
    if (test::logsOnStandardError()) {
        EXPECT_EQ(err.count("more than 8 bits are rounded"), bits() == 8 ? 1 : 0)
            << err.toStdString();
    }
    peer.waitForFinished(5000);
}

// The tool's 8-bit colours, at depth 30 each at its exact 10-bit value.
TEST_P(CalibrationPeers, ArgyllWebDisplayColoursReachTheHeadInOrder) {
    const std::vector<std::array<int, 3>> colours = {{255, 0, 0},    {0, 255, 0}, {0, 0, 255},
                                                     {128, 64, 255}, {1, 2, 3},   {254, 254, 254},
                                                     {17, 200, 99}};
    const int free = test::listenLoopback(0);
    const quint16 port = test::localPort(free);
    ::close(free);
    QStringList args{QString("-dweb:%1").arg(port)};
    for (const std::array<int, 3>& c : colours) {
        args << "-C"
             << QString::asprintf("%.8f,%.8f,%.8f", c[0] / 255.0, c[1] / 255.0, c[2] / 255.0);
    }
    QProcess dispwin;
    dispwin.setProcessEnvironment(x().environment());
    dispwin.setProcessChannelMode(QProcess::MergedChannels);
    dispwin.start("dispwin", args);
    ASSERT_TRUE(dispwin.waitForStarted()) << "ArgyllCMS's dispwin is not installed";
    int fd = -1;
    for (int i = 0; i < 100 && fd < 0; ++i) {
        QThread::msleep(50);
        fd = test::connectLoopback(port);
    }
    ASSERT_GE(fd, 0) << "dispwin's web display did not start";
    ::close(fd);

    startLumenor({"argyll", QString("http://127.0.0.1:%1").arg(port)});
    for (const std::array<int, 3>& c : colours) {
        const QString line = nextLine(lumenor_, 20000);
        const std::optional<test::PatchLine> shown = test::parsePatchLine(line);
        ASSERT_TRUE(shown) << "line: " << line.toStdString()
                           << "\nlumenor: " << lumenor_.readAllStandardError().toStdString()
                           << "\ndispwin: " << dispwin.readAll().toStdString();
        const std::array<int, 3> shownColour = atDepth(c, 8, bits());
        EXPECT_EQ(shown->colour, valuesText(shownColour));
        // The tool waits for the acknowledgement and then for the meter: the colour is still
        // on the head when its line comes.
        const quint32 word = pixelWord(shownColour, bits());
        EXPECT_TRUE(test::headShows(x(), head_, {word, word, QRect(QPoint(0, 0), head_.size())}))
            << line.toStdString();
    }
    ASSERT_TRUE(lumenor_.waitForFinished(20000));
    EXPECT_EQ(lumenor_.exitCode(), 0) << lumenor_.readAllStandardError().toStdString();
    EXPECT_EQ(nextLine(lumenor_, 100), QString());
    dispwin.waitForFinished(5000);
}

INSTANTIATE_TEST_SUITE_P(Depth24, CalibrationPeers, ::testing::Values(24));
INSTANTIATE_TEST_SUITE_P(Depth30, CalibrationPeers, ::testing::Values(30));

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
        return test::headShowsBy(x(), head_,
                                 {colour, background, test::patchBox(head_.size(), window)},
                                 steady_clock::now() + milliseconds(ms));
    }
    int listening_ = -1;
};

// The chosen display going away ends the session: patches on another display would be measured
// as this one's.
TEST_F(CalibrationStreams, PiecesAndRefusedMessagesKeepTheSessionInStepUntilItsDisplayGoes) {
    ASSERT_TRUE(x().plug("DUMMY1", "1920x1080_60"));
    const int fd = connectLumenor({"--display", QString::number(x().outputId("DUMMY1"))});
    ASSERT_GE(fd, 0);
    head_ = x().head("DUMMY1")->geometry;
    const QByteArray first = framed(
        R"(<?xml version="1.0"?><calibration><color red="512" green="0" blue="1023" bits="10"/>)"
        R"(<background red="64" green="64" blue="64" bits="8"/>)"
        R"(<geometry x="0,25" y="0,25" cx="0,5" cy="0,5"/></calibration>)");
    // A byte at a time, the length too; the colour at 10 bits, its background at 8.
    for (const char byte : first) {
        test::sendAll(fd, QByteArray(1, byte));
        QThread::usleep(300);
    }
    EXPECT_TRUE(showsWithin(qRgb(128, 0, 255), qRgb(64, 64, 64), {0.25, 0.25, 0.5, 0.5}, 2000));
    test::sendAll(fd, framed(R"(<calibration><color red="1" green=)"));
    test::sendAll(fd,
                  framed(R"(<calibration><color red="300" green="0" blue="0"/></calibration>)"));
    const QByteArray two = framed(
        R"(<calibration><shapes><rectangle><color red="10" green="20" blue="30"/>)"
        R"(<geometry x="0" y="0" cx="1" cy="1"/></rectangle><rectangle>)"
        R"(<color red="200" green="100" blue="50"/><geometry x="192" y="108" cx="384" cy="216"/>)"
        R"(</rectangle></shapes></calibration>)");
    test::sendAll(fd, two);
    EXPECT_TRUE(showsWithin(qRgb(200, 100, 50), qRgb(10, 20, 30), {0.1, 0.1, 0.2, 0.2}));
    test::sendAll(fd, framed(R"(<calibration><shapes><rectangle><color red="7" green="8" )"
                             R"(blue="9"/></rectangle></shapes></calibration>)"));
    EXPECT_TRUE(showsWithin(qRgb(7, 8, 9), qRgb(7, 8, 9)));
    test::sendAll(fd,
                  framed(R"(<calibration><color red="3" green="200" blue="7"/></calibration>)"));
    EXPECT_TRUE(showsWithin(qRgb(3, 200, 7), qRgb(3, 200, 7)));
    ASSERT_TRUE(x().unplug("DUMMY1"));
    ASSERT_TRUE(lumenor_.waitForFinished(10000));
    EXPECT_EQ(lumenor_.exitCode(), 1);
    QStringList colours;
    for (QString line = nextLine(lumenor_, 100); !line.isEmpty(); line = nextLine(lumenor_, 100)) {
        const std::optional<test::PatchLine> shown = test::parsePatchLine(line);
        ASSERT_TRUE(shown) << line.toStdString();
        colours << shown->colour;
    }
    EXPECT_EQ(colours, QStringList({"128,0,255", "200,100,50", "7,8,9", "3,200,7"}));
    const QString err = lumenor_.readAllStandardError();
    EXPECT_EQ(err.count("lumenor: "), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(QString("display %1 went away").arg(x().outputId("DUMMY1"))))
        << err.toStdString();
    if (test::logsOnStandardError()) {
        EXPECT_EQ(err.count("refused a message"), 2);
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

// A stream out of step, and a web display tool's answer that never ends or redirects to another
// address (of which nothing is asked), end the session as broken; the program closing in the
// middle of a message ends it like any close, and a message of length 0 as the program's own end.
TEST_F(CalibrationStreams, BrokenStreamsUnreachableProgramsAndBadArgumentsEndWithTheirStatus) {
    const int elsewhere = test::listenLoopback(0);
    const QByteArray endless = "HTTP/1.1 200 OK\r\nContent-Length: 100000000000\r\n\r\n";
    const struct {
        bool web;
        QByteArray sent;
        bool thenClose;
        int status;
        const char* why;
    } cases[] = {
        {false, QByteArray::fromHex("7fffffff") + QByteArray(64, 'x'), false, 1, "out of step"},
        {false, framed(R"(<calibration><color red="1"/></calibration>)").left(20), true, 0,
         "middle of a message"},
        {false, QByteArray(4, '\0'), false, 0, "ended the session"},
        {true, endless, false, 1, "answer is longer than"},
        {true,
         QString("HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:%1/ajax/messages\r\n"
                 "Content-Length: 0\r\n\r\n")
             .arg(test::localPort(elsewhere))
             .toLatin1(),
         false, 1, "redirected to another address"}};
    for (const auto& c : cases) {
        int fd = connectLumenor({}, c.web);
        ASSERT_GE(fd, 0);
        test::sendAll(fd, c.sent);
        // Colours for as long as lumenor takes them, at most 64 MB.
        const QByteArray colours = QByteArray("#102030\n").repeated(8192);
        const bool flood = c.sent == endless;
        for (int i = 0; flood && i < 1024 && lumenor_.state() == QProcess::Running; ++i) {
            if (::send(fd, colours.constData(), colours.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 &&
                errno != EAGAIN) {
                break;
            }
            lumenor_.waitForFinished(5);
        }
        if (c.thenClose) {
            QThread::msleep(50);
            ::close(std::exchange(fd, -1));
        }
        ASSERT_TRUE(lumenor_.waitForFinished(10000)) << c.why;
        EXPECT_EQ(lumenor_.exitCode(), c.status) << c.why;
        // A clean end is only logged, and the log reaches standard error only without a journal.
        const QString err = lumenor_.readAllStandardError();
        EXPECT_TRUE(err.contains(c.why) || (c.status == 0 && !test::logsOnStandardError()))
            << err.toStdString();
        ::close(fd);
        ::close(listening_);
    }

    // A web display tool that goes away while it holds a request of ours: the session ends
    // as when its server closes, even though the request is never answered.
    int fd = connectLumenor({}, true);
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
    EXPECT_LT(test::acceptWithin(elsewhere, 0), 0) << "the redirect was followed";
    ::close(elsewhere);

    // Nobody listening, for either kind of program, is status 1; each way the command line is
    // refused is status 2 (which programs, addresses and values are refused is proven through
    // the application's calibration verbs). One line either way.
    const std::pair<QString, int> runs[] = {{QString("resolve 127.0.0.1:%1").arg(port), 1},
                                            {QString("argyll http://127.0.0.1:%1").arg(port), 1},
                                            {"resolve", 2},
                                            {"resolve 127.0.0.1:99999", 2},
                                            {"resolve 127.0.0.1 --window 0", 2},
                                            {"resolve 127.0.0.1 --insert-every 5", 2}};
    for (const auto& [args, status] : runs) {
        const test::ProcessResult r =
            test::runProcess(test::lumenorBinary(), QStringList{"calibrate"} + args.split(' '),
                             x().environment(), 20000);
        EXPECT_EQ(r.exitCode, status) << args.toStdString();
        EXPECT_EQ(r.err.count("lumenor: "), 1) << r.err.toStdString();
        EXPECT_TRUE(status == 2 ? r.err.startsWith("lumenor: calibrate")
                                : r.err.contains("calibrate: cannot reach "))
            << r.err.toStdString();
    }
}

}  // namespace
}  // namespace lumenor
