#include <gtest/gtest.h>

#include <QProcess>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
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

class CalibrationPeers : public test::CalibrateTest {};

struct ResolvePatch {
    int bits;
    int colour[3];
    int background[3];
    double x, y, w, h;
};

int toEight(int value, int bits) {
    return static_cast<int>(std::lround(value * 255.0 / ((1 << bits) - 1)));
}

QRgb eightBit(const int (&c)[3], int bits) {
    return qRgb(toEight(c[0], bits), toEight(c[1], bits), toEight(c[2], bits));
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

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(std::ceil(p * static_cast<double>(values.size()))) - 1;
    return values[std::min(at, values.size() - 1)];
}

TEST_F(CalibrationPeers, DisplayCalResolveServerPutsEveryPatchOnTheHead) {
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

    std::vector<double> latencies;
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
        const ExpectedPatch expected{eightBit(p.colour, p.bits), eightBit(p.background, p.bits),
                                     test::patchBox(head_.size(), p.x, p.y, p.w, p.h)};
        EXPECT_TRUE(headShowsBy(x(), head_, expected, deadline)) << command.toStdString();
        const std::optional<test::PatchLine> shown = test::parsePatchLine(nextLine(lumenor_));
        ASSERT_TRUE(shown);
        EXPECT_EQ(shown->colour, QString("%1,%2,%3")
                                     .arg(qRed(expected.colour))
                                     .arg(qGreen(expected.colour))
                                     .arg(qBlue(expected.colour)));
        EXPECT_LT(shown->latencyMs, 200.0);
        latencies.push_back(shown->latencyMs);
    }
    std::printf("patch latency, message to presented frame: median %.1f ms, p99 %.1f ms (%zu)\n",
                percentile(latencies, 0.5), percentile(latencies, 0.99), latencies.size());
    peer.write("end\n");
    peer.waitForBytesWritten();
    ASSERT_TRUE(lumenor_.waitForFinished(10000));
    const QString err = lumenor_.readAllStandardError();
    EXPECT_EQ(lumenor_.exitCode(), 0) << err.toStdString();
    if (test::logsOnStandardError()) {
        EXPECT_EQ(err.count("more than 8 bits are rounded"), 1) << err.toStdString();
    }
    peer.waitForFinished(5000);
}

quint16 freePort() {
    const int fd = test::listenLoopback(0);
    const quint16 port = test::localPort(fd);
    ::close(fd);
    return port;
}

TEST_F(CalibrationPeers, ArgyllWebDisplayColoursReachTheHeadInOrder) {
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
        EXPECT_EQ(shown->colour, QString("%1,%2,%3").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c)));
        // The tool waits for the acknowledgement and then for the meter: the colour is still
        // on the head when its line comes.
        EXPECT_TRUE(test::headShows(x(), head_, {c, c, QRect(QPoint(0, 0), head_.size())}))
            << line.toStdString();
    }
    ASSERT_TRUE(lumenor_.waitForFinished(20000));
    EXPECT_EQ(lumenor_.exitCode(), 0) << lumenor_.readAllStandardError().toStdString();
    EXPECT_EQ(nextLine(lumenor_, 100), QString());
    dispwin.waitForFinished(5000);
}

}  // namespace
}  // namespace lumenor
