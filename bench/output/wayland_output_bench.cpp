// Shows each animated pattern for ten seconds full screen as a native Wayland client of GNOME's
// compositor, and then on a head of the virtual X server, while another process keeps the second
// core busy, and prints for each: the frames drawn per refresh, the refreshes the meter saw
// missed, and the CPU time per frame, with the ratio of each figure to the X11 one. The
// compositor runs twice: headless, where it composites off screen as it would on a GPU machine's
// monitor, and nested in a window of the virtual X server, where it paints that window in
// software at a few frames a second and so holds every client back. The output's window, view
// and meter run alone (output_probe), the same program on all three. The argument is the number
// of rounds (3 if none).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSize>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <vector>

#include "bench_beds.h"
#include "bench_figures.h"
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

struct Summary {
    int rounds = 0;
    double hz = 0.0;
    double framesPerRefresh = 0.0;
    int missed = 0;
    double cpuPerFrame = 0.0;
};

// The rounds that reported, as medians; misses as the worst round's.
Summary summarise(const std::vector<Figures>& runs) {
    Summary s;
    std::vector<double> hz;
    std::vector<double> framesPerRefresh;
    std::vector<double> cpu;
    for (const Figures& f : runs) {
        if (!f.ok || f.frames <= 0 || f.hz <= 0) {
            continue;
        }
        ++s.rounds;
        hz.push_back(f.hz);
        framesPerRefresh.push_back(f.frames / (f.hz * kSeconds));
        cpu.push_back(f.cpuMs / f.frames);
        s.missed = std::max(s.missed, f.missed);
    }
    s.hz = lumenor::bench::median(hz);
    s.framesPerRefresh = lumenor::bench::median(framesPerRefresh);
    s.cpuPerFrame = lumenor::bench::median(cpu);
    return s;
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

    // CPU per frame on this virtual machine moves by up to half from one run to the next, so
    // each pattern runs several rounds, the platforms in turn, and the medians are compared.
    const int rounds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 3;
    const std::vector<const char*> patterns = {"movingBlock", "bounce", "countdown", "timecode"};
    // figures[pattern][platform][round]
    std::vector<std::vector<std::vector<Figures>>> figures(
        patterns.size(), std::vector<std::vector<Figures>>(platforms.size()));
    const pid_t load = bench::startBusyCore();
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t i = 0; i < patterns.size(); ++i) {
            for (std::size_t j = 0; j < platforms.size(); ++j) {
                figures[i][j].push_back(
                    run(platforms[j].env, QString::fromLatin1(patterns[i]), platforms[j].screen));
            }
        }
    }
    ::kill(load, SIGKILL);
    ::waitpid(load, nullptr, 0);

    std::printf("medians of %d rounds; missed: the most in one round\n", rounds);
    std::printf("%-12s %-8s %7s %14s %7s %13s %9s\n", "pattern", "platform", "hz", "frames/refresh",
                "missed", "cpu/frame ms", "cpu ratio");
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        std::vector<Summary> summaries;
        for (const std::vector<Figures>& runs : figures[i]) {
            summaries.push_back(summarise(runs));
        }
        const double x11PerFrame = summaries.back().cpuPerFrame;
        for (std::size_t j = 0; j < platforms.size(); ++j) {
            const Summary& f = summaries[j];
            if (f.rounds == 0) {
                std::printf("%-12s %-8s  no figures (the probe did not report)\n", patterns[i],
                            platforms[j].name);
                continue;
            }
            std::printf("%-12s %-8s %7.2f %14.3f %7d %13.3f %9.2f\n", patterns[i],
                        platforms[j].name, f.hz, f.framesPerRefresh, f.missed, f.cpuPerFrame,
                        x11PerFrame > 0 ? f.cpuPerFrame / x11PerFrame : 0.0);
        }
    }
    return 0;
}
