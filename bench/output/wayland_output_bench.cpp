// Shows each animated pattern for ten seconds full screen as a native Wayland client of GNOME's
// compositor, and then on a head of the virtual X server, while another process keeps the second
// core busy, and prints for each: the frames drawn per refresh, the refreshes the meter saw
// missed, and the CPU time per frame, with the ratio of each figure to the X11 one. The
// compositor runs twice: headless, where it composites off screen as it would on a GPU machine's
// monitor, and nested in a window of the virtual X server, where it paints that window in
// software at a few frames a second and so holds every client back. The output's window, view
// and meter run alone (output_probe), the same program on all three.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSize>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <vector>

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
    auto headless = test::NestedMutter::start({}, &error, {.headlessMonitor = QSize(1920, 1080)});
    auto nested = headless ? test::NestedMutter::start(x->displayName(), &error) : nullptr;
    if (!headless || !nested) {
        std::fprintf(stderr, "GNOME's compositor: %s\n", qPrintable(error));
        return 1;
    }
    const auto on = [](QProcessEnvironment env, const char* platform) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QString::fromLatin1(platform));
        return env;
    };
    struct Platform {
        const char* name;
        QProcessEnvironment env;
        QString screen;
    };
    // The X11 run comes last: the others' ratios are to it.
    const std::vector<Platform> platforms = {
        {"headless", on(headless->environment(), "wayland"), QStringLiteral("Meta-0")},
        {"nested", on(nested->environment(), "wayland"), QStringLiteral("LVDS1")},
        {"x11", on(x->environment(), "xcb"), QStringLiteral("DUMMY0")}};

    const pid_t load = bench::startBusyCore();
    std::printf("%-12s %-8s %7s %14s %7s %13s %9s\n", "pattern", "platform", "hz", "frames/refresh",
                "missed", "cpu/frame ms", "cpu ratio");
    for (const char* pattern : {"movingBlock", "bounce", "countdown", "timecode"}) {
        std::vector<Figures> figures;
        for (const Platform& p : platforms) {
            figures.push_back(run(p.env, QString::fromLatin1(pattern), p.screen));
        }
        const Figures& x11 = figures.back();
        const double x11PerFrame = x11.frames > 0 ? x11.cpuMs / x11.frames : 0.0;
        for (std::size_t i = 0; i < platforms.size(); ++i) {
            const Figures& f = figures[i];
            if (!f.ok) {
                std::printf("%-12s %-8s  no figures (the probe did not report)\n", pattern,
                            platforms[i].name);
                continue;
            }
            const double perFrame = f.frames > 0 ? f.cpuMs / f.frames : 0.0;
            std::printf("%-12s %-8s %7.2f %14.3f %7d %13.3f %9.2f\n", pattern, platforms[i].name,
                        f.hz, f.hz > 0 ? f.frames / (f.hz * kSeconds) : 0.0, f.missed, perFrame,
                        x11PerFrame > 0 ? perFrame / x11PerFrame : 0.0);
        }
        std::fflush(stdout);
    }
    ::kill(load, SIGKILL);
    ::waitpid(load, nullptr, 0);
    return 0;
}
