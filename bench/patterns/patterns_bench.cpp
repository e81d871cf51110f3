// Draws every pattern at three canvas sizes, and the animated ones at 3840 x 2160 at ten bits a
// channel (RGB30, what a display at depth 30 takes) against a fill of the same. Each case reports
// "floor_ratio": its CPU time per frame divided by the CPU time of one plain colour fill of the
// same canvas, a fill timed before each frame so that both meet the same conditions. CPU time is
// the whole process's (the raster engine fills large areas on helper threads too) and leaves out
// the time other programs take the cores away, so the ratio holds on a busy machine; "wall_ratio"
// gives it by the wall clock.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <cstdlib>

#include "patterns/anim.h"
#include "patterns/aspect_tables.h"
#include "patterns/pattern.h"
#include "patterns/pattern_renderer.h"

namespace {

using lumenor::Pattern;

constexpr int kSizes[3][2] = {{1920, 1080}, {3840, 2160}, {7680, 4320}};

struct Times {
    double cpu = 0;
    double wall = 0;
};

Times now() {
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now().time_since_epoch();
    return {static_cast<double>(cpu.tv_sec) + static_cast<double>(cpu.tv_nsec) / 1e9, wall.count()};
}

Times since(const Times& start) {
    const Times t = now();
    return {t.cpu - start.cpu, t.wall - start.wall};
}

void drawPattern(benchmark::State& state, Pattern pattern, int w, int h, QImage::Format format) {
    QImage canvas(w, h, format);
    QImage slateImage(640, 480, QImage::Format_RGB32);
    slateImage.fill(Qt::darkCyan);
    const QSet<QString> aspects = lumenor::defaultAspectSelection();
    canvas.fill(Qt::black);  // touch every page before timing
    QPainter painter(&canvas);
    double t = 0.37;
    Times total;
    Times floor;
    long long frames = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const Times fillStart = now();
        painter.fillRect(canvas.rect(), QColor(frames % 2 ? 255 : 0, 0, 0));
        const Times filled = since(fillStart);
        floor.cpu += filled.cpu;
        floor.wall += filled.wall;
        state.ResumeTiming();
        const Times start = now();
        const lumenor::Anim anim = lumenor::makeAnim(pattern, t, w, h, 1.0, 30, t - 1);
        lumenor::PatternRenderer::draw(pattern, painter, w, h, 1.0, anim, aspects,
                                       QStringLiteral("Stage left, camera 2"), slateImage);
        const Times spent = since(start);
        total.cpu += spent.cpu;
        total.wall += spent.wall;
        ++frames;
        t += 1.0 / 60;
        benchmark::DoNotOptimize(canvas.constBits());
    }
    state.counters["floor_ratio"] = total.cpu / floor.cpu;
    state.counters["wall_ratio"] = total.wall / floor.wall;
}

void drawFill(benchmark::State& state, int w, int h, QImage::Format format) {
    QImage canvas(w, h, format);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    int i = 0;
    for (auto _ : state) {
        painter.fillRect(canvas.rect(), QColor(++i % 2 ? 255 : 0, 0, 0));
        benchmark::DoNotOptimize(canvas.constBits());
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    for (const auto& size : kSizes) {
        const int w = size[0];
        const int h = size[1];
        const std::string suffix = "/" + std::to_string(w) + "x" + std::to_string(h);
        benchmark::RegisterBenchmark(("fill" + suffix).c_str(), drawFill, w, h,
                                     QImage::Format_RGB32)
            ->MeasureProcessCPUTime()
            ->Unit(benchmark::kMillisecond);
        for (Pattern p : lumenor::allPatterns()) {
            benchmark::RegisterBenchmark((lumenor::rawName(p).toStdString() + suffix).c_str(),
                                         drawPattern, p, w, h, QImage::Format_RGB32)
                ->MeasureProcessCPUTime()
                ->Unit(benchmark::kMillisecond);
        }
    }
    // The frames a display of ten bits a channel takes, for the patterns drawn every refresh.
    const std::string deep = "/10bit/3840x2160";
    benchmark::RegisterBenchmark(("fill" + deep).c_str(), drawFill, 3840, 2160,
                                 QImage::Format_RGB30)
        ->MeasureProcessCPUTime()
        ->Unit(benchmark::kMillisecond);
    for (Pattern p : lumenor::allPatterns()) {
        if (lumenor::isAnimated(p)) {
            benchmark::RegisterBenchmark((lumenor::rawName(p).toStdString() + deep).c_str(),
                                         drawPattern, p, 3840, 2160, QImage::Format_RGB30)
                ->MeasureProcessCPUTime()
                ->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
