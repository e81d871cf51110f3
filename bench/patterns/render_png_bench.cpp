// `lumenor render` of the HD colour bars at 3840 × 2160 to a PNG file against ffmpeg's own
// generator writing the same to a PNG, run alternately in the same run. Both are whole
// programs, so both are timed the same way: wall clock and children's CPU time from start to
// exit. Prints the medians and their ratio (lumenor ÷ ffmpeg); the aim is at most 0.8.
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench_figures.h"

namespace {

using lumenor::bench::median;

struct Run {
    double wall = 0;
    double cpu = 0;
};

double childrenCpu() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

Run timed(const QString& program, const QStringList& args) {
    const double cpuBefore = childrenCpu();
    const auto start = std::chrono::steady_clock::now();
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    if (p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     p.readAllStandardError().constData());
    }
    return {wall.count(), childrenCpu() - cpuBefore};
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString lumenor = QStringLiteral(LUMENOR_BINARY);
    QTemporaryDir dir;
    const QString ours = dir.filePath(QStringLiteral("lumenor.png"));
    const QString theirs = dir.filePath(QStringLiteral("ffmpeg.png"));
    constexpr int kRuns = 15;
    std::vector<double> oursWall, oursCpu, theirsWall, theirsCpu;
    for (int i = 0; i < kRuns; ++i) {
        const Run a = timed(lumenor, {"render", "smpteHdBars", "--size", "3840x2160", "-o", ours});
        const Run b = timed("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                                       "smptehdbars=size=3840x2160", "-frames:v", "1", theirs});
        oursWall.push_back(a.wall);
        oursCpu.push_back(a.cpu);
        theirsWall.push_back(b.wall);
        theirsCpu.push_back(b.cpu);
    }
    std::printf("lumenor render: %.3f s wall, %.3f s CPU (median of %d)\n", median(oursWall),
                median(oursCpu), kRuns);
    std::printf("ffmpeg:         %.3f s wall, %.3f s CPU\n", median(theirsWall), median(theirsCpu));
    std::printf("ratio: %.2f wall, %.2f CPU (aim: at most 0.8)\n",
                median(oursWall) / median(theirsWall), median(oursCpu) / median(theirsCpu));
    return 0;
}
