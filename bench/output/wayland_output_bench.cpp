// Shows each animated pattern for ten seconds full screen on a monitor of a nested GNOME
// compositor (a native Wayland client) and then on a head of the virtual X server it runs in,
// while another process keeps the second core busy, and prints for each: the frames drawn per
// refresh, the refreshes the meter saw missed, and the CPU time per frame, with the ratio of
// the Wayland figure to the X11 one. The output's window, view and meter run alone
// (output_probe), the same program on both.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

#include "bench_beds.h"
#include "support/nested_mutter.h"

namespace {

constexpr double kSeconds = 10.0;

struct Figures {
    bool ok = false;
    double hz = 0.0;
    int missed = 0;
    double frames = 0.0;
    double cpuMs = 0.0;
};

Figures run(QProcessEnvironment env, const QString& pattern, const QString& screen) {
    QProcess probe;
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral(LUMENOR_OUTPUT_PROBE),
                {pattern, screen, QStringLiteral("1920x1080"), QString::number(kSeconds)});
    Figures f;
    int firstMissed = -1;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < (kSeconds + 30) * 1000 && probe.state() != QProcess::NotRunning) {
        probe.waitForReadyRead(100);
        while (probe.canReadLine()) {
            const QStringList w = QString::fromUtf8(probe.readLine()).trimmed().split(' ');
            if (w.size() == 3 && w[0] == QLatin1String("meter")) {
                f.hz = w[1].toDouble();
                firstMissed = firstMissed < 0 ? w[2].toInt() : firstMissed;
                f.missed = w[2].toInt() - firstMissed;
            } else if (w.size() == 4 && w[0] == QLatin1String("frames")) {
                f.frames = w[1].toDouble();
                f.cpuMs = w[3].toDouble();
                f.ok = true;
            }
        }
    }
    probe.kill();
    probe.waitForFinished();
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace lumenor;
    QCoreApplication app(argc, argv);
    auto x = bench::startXorg();
    if (!x) {
        return 1;
    }
    QString error;
    auto mutter = test::NestedMutter::start(x->displayName(), &error);
    if (!mutter) {
        std::fprintf(stderr, "nested compositor: %s\n", qPrintable(error));
        return 1;
    }
    QProcessEnvironment wayland = mutter->environment();
    wayland.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    QProcessEnvironment xcb = x->environment();
    xcb.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));

    const pid_t load = bench::startBusyCore();
    std::printf("%-12s %-8s %7s %14s %7s %13s %9s\n", "pattern", "platform", "hz", "frames/refresh",
                "missed", "cpu/frame ms", "cpu ratio");
    for (const char* pattern : {"movingBlock", "bounce", "countdown", "timecode"}) {
        const Figures w = run(wayland, QString::fromLatin1(pattern), QStringLiteral("LVDS1"));
        const Figures o = run(xcb, QString::fromLatin1(pattern), QStringLiteral("DUMMY0"));
        for (const auto& [name, f] : {std::pair{"wayland", w}, std::pair{"x11", o}}) {
            if (!f.ok) {
                std::printf("%-12s %-8s  no figures (the probe did not report)\n", pattern, name);
                continue;
            }
            const double perFrame = f.frames > 0 ? f.cpuMs / f.frames : 0.0;
            const double x11PerFrame = o.frames > 0 ? o.cpuMs / o.frames : 0.0;
            std::printf("%-12s %-8s %7.2f %14.3f %7d %13.3f %9.2f\n", pattern, name, f.hz,
                        f.hz > 0 ? f.frames / (f.hz * kSeconds) : 0.0, f.missed, perFrame,
                        x11PerFrame > 0 ? perFrame / x11PerFrame : 0.0);
        }
        std::fflush(stdout);
    }
    ::kill(load, SIGKILL);
    ::waitpid(load, nullptr, 0);
    return 0;
}
