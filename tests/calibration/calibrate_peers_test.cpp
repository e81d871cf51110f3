#include <gtest/gtest.h>

#include <QProcess>
#include <QThread>

#include <array>
#include <chrono>
#include <cmath>
#include <vector>

#include <unistd.h>

#include "calibration/calibrate_session.h"
#include "support/loopback.h"
#include "support/process.h"

namespace lumenor {
namespace {

using namespace std::chrono;
using test::ExpectedPatch;
using test::nextLine;

constexpr milliseconds kPatchDeadline(200);

// Each test runs on a server at depth 24 and at depth 30 (ten bits a channel).
class CalibrationPeers : public test::CalibrateTest, public ::testing::WithParamInterface<int> {
  protected:
    void SetUp() override {
        useDepth(GetParam());
        test::CalibrateTest::SetUp();
    }
    int bits() const { return GetParam() == 30 ? 10 : 8; }
};

struct ResolvePatch {
    int bits;
    std::array<int, 3> colour;
    std::array<int, 3> background;
    double x, y, w, h;
};

// A value given at `from` bits as the nearest code at `to` bits.
int codeAt(int value, int from, int to) {
    return static_cast<int>(std::lround(value * ((1 << to) - 1.0) / ((1 << from) - 1)));
}

// The three values of a colour given at `from` bits, at `to` bits.
std::array<int, 3> atDepth(const std::array<int, 3>& c, int from, int to) {
    return {codeAt(c[0], from, to), codeAt(c[1], from, to), codeAt(c[2], from, to)};
}

quint32 pixelWord(const std::array<int, 3>& c, int bits) {
    return test::pixelWord(c[0], c[1], c[2], bits);
}

QString valuesText(const std::array<int, 3>& c) {
    return QString("%1,%2,%3").arg(c[0]).arg(c[1]).arg(c[2]);
}

// 24 patches: a third given at 8 bits, the rest at 10; every other one in a window over a
// background of its own.
std::vector<ResolvePatch> resolvePatches() {
    std::vector<ResolvePatch> list;
    for (int i = 0; i < 24; ++i) {
        const int bits = i % 3 == 0 ? 8 : 10;
        const int top = (1 << bits) - 1;
        ResolvePatch p{
            bits,
            {(i * 137 + 11) % (top + 1), (i * 59 + 300) % (top + 1), (i * 211) % (top + 1)},
            {0, 0, 0},
            0.0,
            0.0,
            1.0,
            1.0};
        if (i % 2 == 1) {
            p.background[0] = p.background[1] = p.background[2] = (i * 31) % (top + 1);
            p.x = i % 4 == 1 ? 0.45 : 0.1;
            p.y = i % 4 == 1 ? 0.45 : 0.2;
            p.w = i % 4 == 1 ? 0.1 : 0.3;
            p.h = i % 4 == 1 ? 0.1 : 0.25;
        }
        list.push_back(p);
    }
    return list;
}

steady_clock::time_point fromMonotonicSeconds(double seconds) {
    return steady_clock::time_point(
        duration_cast<steady_clock::duration>(duration<double>(seconds)));
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

    for (const ResolvePatch& p : resolvePatches()) {
        const double top = (1 << p.bits) - 1;
        const QString command = QString::asprintf(
            "send %d %.10f %.10f %.10f %.10f %.10f %.10f %.4f %.4f %.4f %.4f\n", p.bits,
            p.colour[0] / top, p.colour[1] / top, p.colour[2] / top, p.background[0] / top,
            p.background[1] / top, p.background[2] / top, p.x, p.y, p.w, p.h);
        peer.write(command.toLatin1());
        const QString sent = nextLine(peer);
        ASSERT_TRUE(sent.startsWith("sent ")) << sent.toStdString();
        const steady_clock::time_point deadline =
            fromMonotonicSeconds(sent.mid(5).toDouble()) + kPatchDeadline;
        const std::array<int, 3> colour = atDepth(p.colour, p.bits, bits());
        const ExpectedPatch expected{pixelWord(colour, bits()),
                                     pixelWord(atDepth(p.background, p.bits, bits()), bits()),
                                     test::patchBox(head_.size(), p.x, p.y, p.w, p.h)};
        EXPECT_TRUE(headShowsBy(x(), head_, expected, deadline)) << command.toStdString();
        const std::optional<test::PatchLine> shown = test::parsePatchLine(nextLine(lumenor_));
        ASSERT_TRUE(shown);
        EXPECT_EQ(shown->colour, valuesText(colour));
        EXPECT_EQ(shown->bits, bits());
        // Its median and p99 are measured by patch_latency_bench.
        EXPECT_LT(shown->latencyMs, 200.0);
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

quint16 freePort() {
    const int fd = test::listenLoopback(0);
    const quint16 port = test::localPort(fd);
    ::close(fd);
    return port;
}

// The tool's 8-bit colours, at depth 30 each at its exact 10-bit value.
TEST_P(CalibrationPeers, ArgyllWebDisplayColoursReachTheHeadInOrder) {
    const std::vector<QRgb> colours = {qRgb(255, 0, 0),    qRgb(0, 255, 0), qRgb(0, 0, 255),
                                       qRgb(128, 64, 255), qRgb(1, 2, 3),   qRgb(254, 254, 254),
                                       qRgb(17, 200, 99)};
    const quint16 port = freePort();
    QStringList args{QString("-dweb:%1").arg(port)};
    for (const QRgb c : colours) {
        args << "-C"
             << QString::asprintf("%.8f,%.8f,%.8f", qRed(c) / 255.0, qGreen(c) / 255.0,
                                  qBlue(c) / 255.0);
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
    for (const QRgb c : colours) {
        const QString line = nextLine(lumenor_, 20000);
        const std::optional<test::PatchLine> shown = test::parsePatchLine(line);
        ASSERT_TRUE(shown) << "line: " << line.toStdString()
                           << "\nlumenor: " << lumenor_.readAllStandardError().toStdString()
                           << "\ndispwin: " << dispwin.readAll().toStdString();
        const std::array<int, 3> shownColour = atDepth({qRed(c), qGreen(c), qBlue(c)}, 8, bits());
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

}  // namespace
}  // namespace lumenor
