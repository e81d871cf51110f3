// Drives `lumenor calibrate resolve` on the virtual X server with 300 patches, one every
// 100 ms, written on a 127.0.0.1 connection as a calibration program writes them, and prints
// the latency from each message's arrival to the Present completion of the frame that
// showed it, as lumenor reports it: median, p99 and maximum.
#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "support/loopback.h"
#include "support/xorg_testbed.h"

namespace {

constexpr int kPatches = 300;
constexpr int kIntervalMs = 100;

QByteArray frame(int i, QRandomGenerator& random) {
    const bool windowed = i % 2 == 1;
    const QByteArray xml = QStringLiteral(
                               "<?xml version=\"1.0\" encoding=\"utf-8\"?><calibration>"
                               "<color red=\"%1\" green=\"%2\" blue=\"%3\" bits=\"10\"/>"
                               "<background red=\"0\" green=\"0\" blue=\"0\" bits=\"10\"/>"
                               "<geometry x=\"%4\" y=\"%4\" cx=\"%5\" cy=\"%5\"/></calibration>")
                               .arg(random.bounded(1024))
                               .arg(random.bounded(1024))
                               .arg(random.bounded(1024))
                               .arg(windowed ? "0.4500" : "0.0000", windowed ? "0.1000" : "1.0000")
                               .toUtf8();
    const auto n = static_cast<quint32>(xml.size());
    const char length[] = {static_cast<char>(n >> 24), static_cast<char>(n >> 16),
                           static_cast<char>(n >> 8), static_cast<char>(n)};
    return QByteArray(length, 4) + xml;
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    const auto at = static_cast<std::size_t>(std::ceil(p * static_cast<double>(v.size()))) - 1;
    return v[std::min(at, v.size() - 1)];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString error;
    const auto x = lumenor::test::XorgTestbed::start(&error);
    if (!x) {
        std::fprintf(stderr, "no virtual X server: %s\n", qPrintable(error));
        return 1;
    }
    const int listening = lumenor::test::listenLoopback(0);
    QProcess lumenor;
    lumenor.setProcessEnvironment(x->environment());
    lumenor.start(LUMENOR_BIN_PATH,
                  {"calibrate", "resolve",
                   QStringLiteral("127.0.0.1:%1").arg(lumenor::test::localPort(listening))});
    const int fd = lumenor::test::acceptWithin(listening, 10000);
    if (fd < 0 || !x->findWindow("Lumenor output")) {
        std::fprintf(stderr, "lumenor did not connect and show its output\n");
        return 1;
    }
    std::vector<double> latencies;
    int replaced = 0;
    const QRegularExpression latency(" latency (-?[0-9.]+) ms$");
    QObject::connect(&lumenor, &QProcess::readyReadStandardOutput, [&] {
        while (lumenor.canReadLine()) {
            const QString line = QString::fromUtf8(lumenor.readLine()).trimmed();
            const QRegularExpressionMatch m = latency.match(line);
            if (m.hasMatch()) {
                latencies.push_back(m.captured(1).toDouble());
            } else if (line.contains("replaced")) {
                std::printf("patch %zu: %s\n", latencies.size() + replaced, qPrintable(line));
                ++replaced;
            }
        }
    });
    QObject::connect(&lumenor, &QProcess::finished, &app, &QCoreApplication::quit);
    QRandomGenerator random(17);
    int sent = 0;
    QTimer sender;
    QObject::connect(&sender, &QTimer::timeout, [&] {
        if (sent == kPatches) {
            sender.stop();
            lumenor::test::sendAll(fd, QByteArray(4, '\0'));
            return;
        }
        lumenor::test::sendAll(fd, frame(sent++, random));
    });
    sender.start(kIntervalMs);
    QCoreApplication::exec();
    ::close(fd);
    ::close(listening);
    if (latencies.empty()) {
        std::fprintf(stderr, "no patch reached the screen\n");
        return 1;
    }
    std::printf("%zu patches shown, %d replaced before reaching the screen\n", latencies.size(),
                replaced);
    std::printf(
        "latency, message to Present completion: median %.1f ms, p99 %.1f ms, max %.1f ms\n",
        percentile(latencies, 0.5), percentile(latencies, 0.99),
        *std::max_element(latencies.begin(), latencies.end()));
    return 0;
}
