// Draws every pattern at three canvas sizes. Each case reports "floor_ratio": its time per
// frame divided by the time of one plain colour fill of the same canvas, measured in this run.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <map>

#include "patterns/anim.h"
#include "patterns/aspect_tables.h"
#include "patterns/pattern.h"
#include "patterns/pattern_renderer.h"

namespace {

using lumenor::Pattern;

constexpr int kSizes[3][2] = {{1920, 1080}, {3840, 2160}, {7680, 4320}};

double secondsPerFill(QImage& canvas) {
    QPainter painter(&canvas);
    const int rounds = 20;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
        painter.fillRect(canvas.rect(), QColor(i % 2 ? 255 : 0, 0, 0));
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count() / rounds;
}

double fillFloor(int w, int h) {
    static std::map<long long, double> floors;
    const long long key = static_cast<long long>(w) * 100000 + h;
    auto found = floors.find(key);
    if (found == floors.end()) {
        QImage canvas(w, h, QImage::Format_RGB32);
        secondsPerFill(canvas);
        found = floors.emplace(key, secondsPerFill(canvas)).first;
    }
    return found->second;
}

void drawPattern(benchmark::State& state, Pattern pattern, int w, int h) {
    QImage canvas(w, h, QImage::Format_RGB32);
    QImage slateImage(640, 480, QImage::Format_RGB32);
    slateImage.fill(Qt::darkCyan);
    const QSet<QString> aspects = lumenor::defaultAspectSelection();
    canvas.fill(Qt::black);  // touch every page before timing
    QPainter painter(&canvas);
    double t = 0.37;
    double total = 0;
    long long frames = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const lumenor::Anim anim = lumenor::makeAnim(pattern, t, w, h, 1.0, 30, t - 1);
        lumenor::PatternRenderer::draw(pattern, painter, w, h, 1.0, anim, aspects,
                                       QStringLiteral("Stage left, camera 2"), slateImage);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        total += elapsed.count();
        ++frames;
        t += 1.0 / 60;
        benchmark::DoNotOptimize(canvas.constBits());
    }
    state.counters["floor_ratio"] = (total / static_cast<double>(frames)) / fillFloor(w, h);
}

void drawFill(benchmark::State& state, int w, int h) {
    QImage canvas(w, h, QImage::Format_RGB32);
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
        benchmark::RegisterBenchmark(("fill" + suffix).c_str(), drawFill, w, h)
            ->Unit(benchmark::kMillisecond);
        for (Pattern p : lumenor::allPatterns()) {
            benchmark::RegisterBenchmark((lumenor::rawName(p).toStdString() + suffix).c_str(),
                                         drawPattern, p, w, h)
                ->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
