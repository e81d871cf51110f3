#include <benchmark/benchmark.h>

#include <vector>

#include "audio/render.h"

namespace {

constexpr std::size_t kFrames = 512;
// What one 512-frame call lasts at 44100 Hz, in seconds.
constexpr double kCallSeconds = kFrames / lumenor::kAudioSampleRate;

void renderCalls(benchmark::State& s, lumenor::Signal signal, bool invert) {
    std::vector<float> left(kFrames);
    std::vector<float> right(kFrames);
    lumenor::RenderState state;
    const lumenor::RenderControls controls{signal, lumenor::Channels::both, invert};
    for (auto _ : s) {
        lumenor::renderSamples(controls, state, left.data(), right.data(), kFrames);
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
        benchmark::ClobberMemory();
    }
    // Processor time of one call in percent of the audio it produces (the target is under 1).
    s.counters["percent_of_call"] =
        benchmark::Counter(static_cast<double>(s.iterations()) * kCallSeconds / 100.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_RenderTone(benchmark::State& s) {
    renderCalls(s, lumenor::Signal::tone, false);
}
void BM_RenderPink(benchmark::State& s) {
    renderCalls(s, lumenor::Signal::pink, false);
}
void BM_RenderToneInverted(benchmark::State& s) {
    renderCalls(s, lumenor::Signal::tone, true);
}

}  // namespace

BENCHMARK(BM_RenderTone);
BENCHMARK(BM_RenderPink);
BENCHMARK(BM_RenderToneInverted);

BENCHMARK_MAIN();
