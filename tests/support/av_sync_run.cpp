#include "support/av_sync_run.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "audio/pulse_audio_stream.h"
#include "displays/display_service.h"
#include "displays/present_refresh_link.h"
#include "displays/xrandr_display_platform.h"
#include "output/output_window_controller.h"
#include "support/qt_on_x.h"
#include "support/signal_analysis.h"
#include "support/sink_recorder.h"

namespace lumenor::test {

namespace {

constexpr int kSinkSettleMs = 2500;

}  // namespace

std::vector<std::size_t> markerOnsets(const std::vector<float>& samples) {
    std::vector<std::size_t> onsets;
    for (const Span& s : bursts(samples, 1e-6f, 4000)) {
        onsets.push_back(s.begin > 0 ? s.begin - 1 : 0);
    }
    return onsets;
}

std::vector<std::optional<std::int64_t>> framesShowing(const std::vector<ShownFrame>& frames,
                                                       const std::vector<double>& eventTimes) {
    std::vector<std::optional<std::int64_t>> shown;
    for (const double t : eventTimes) {
        std::optional<std::int64_t> first;
        for (const ShownFrame& f : frames) {
            if (f.t >= t && (!first || f.ustNs < *first)) {
                first = f.ustNs;
            }
        }
        shown.push_back(first);
    }
    return shown;
}

namespace {

// The event a sound heard at `onsetNs` belongs to, through the frame shown nearest to it.
double eventNear(const SyncRun& run, std::int64_t onsetNs, double period, double firstEvent) {
    const ShownFrame& near = *std::min_element(
        run.frames.begin(), run.frames.end(), [onsetNs](const ShownFrame& a, const ShownFrame& b) {
            return std::llabs(a.ustNs - onsetNs) < std::llabs(b.ustNs - onsetNs);
        });
    const double t = near.t + static_cast<double>(onsetNs - near.ustNs) / 1e9;
    return firstEvent + std::round((t - firstEvent) / period) * period;
}

std::optional<std::int64_t> nearest(const std::vector<std::int64_t>& times, std::int64_t to) {
    std::optional<std::int64_t> best;
    for (const std::int64_t t : times) {
        if (!best || std::llabs(t - to) < std::llabs(*best - to)) {
            best = t;
        }
    }
    return best;
}

}  // namespace

SyncFigures syncFigures(const SyncRun& run, double period, double firstEvent) {
    SyncFigures f;
    if (run.frames.empty()) {
        return f;
    }
    std::vector<double> offsets;
    for (const std::int64_t onset : run.onsetsNs) {
        MarkerRow row{eventNear(run, onset, period, firstEvent), onset, std::nullopt,
                      nearest(run.scheduledNs, onset)};
        if (row.event <= 0.0) {
            continue;
        }
        row.frameNs = framesShowing(run.frames, {row.event}).front();
        if (!f.rows.empty()) {
            const double gap = static_cast<double>(onset - f.rows.back().onsetNs) / 1e6;
            f.spacingMs = std::max(f.spacingMs, std::fabs(gap - period * 1000.0));
        }
        if (row.frameNs) {
            offsets.push_back(static_cast<double>(onset - *row.frameNs) / 1e6);
        }
        f.rows.push_back(row);
    }
    f.matched = static_cast<int>(offsets.size());
    if (!offsets.empty()) {
        std::sort(offsets.begin(), offsets.end());
        f.offsetMinMs = offsets.front();
        f.offsetMaxMs = offsets.back();
        f.offsetMedianMs = offsets[offsets.size() / 2];
    }
    return f;
}

std::optional<SyncRun> runAvSync(const PulseTestbed& bed, Pattern pattern, double seconds,
                                 double offsetMs, QString* error) {
    auto connection = XrandrConnection::open(nullptr, error);
    if (!connection) {
        return std::nullopt;
    }
    DisplayService displays(std::make_unique<XrandrDisplayPlatform>(std::move(connection)));
    displays.refresh();
    if (displays.displays().empty()) {
        *error = QStringLiteral("no display");
        return std::nullopt;
    }
    std::unique_ptr<SinkRecorder> recorder =
        SinkRecorder::start(bed.serverAddress(), PulseTestbed::monitorName(), error);
    if (!recorder) {
        return std::nullopt;
    }
    // A null sink that has played nothing yet has rendered two seconds of silence ahead, and
    // plays what a new client sends only after them.
    spinEvents(kSinkSettleMs);
    // The markers' stream finds the server as any client does.
    qputenv("PULSE_SERVER", bed.serverAddress().toUtf8());
    SyncRun run;
    {
        PresentRefreshLinkFactory links;
        OutputWindowController output(
            links, std::make_unique<PulseAudioStream>(QStringLiteral("Lumenor sync markers")));
        output.screenForDisplay = [&](DisplayId id) { return displays.screenForDisplay(id); };
        output.displayIdForScreen = [&](QScreen* s) { return displays.displayIdForScreen(s); };
        output.setSyncOffsetMs(offsetMs);
        output.patternView().onFrameShown = [&](double t, std::uint64_t ust, std::uint64_t msc) {
            run.frames.push_back({t, static_cast<std::int64_t>(ust) * 1000, msc});
        };
        for (auto* report :
             {&output.patternView().onBounceAhead, &output.patternView().onCountSecondAhead}) {
            *report = [&run, wired = *report](double showTime) {
                run.scheduledNs.push_back(std::llround(showTime * 1e9));
                wired(showTime);
            };
        }
        output.show(displays.displays().front(), pattern);
        spinEvents(static_cast<int>(seconds * 1000.0));
        output.hide();
        // The last marker's sound and the output's latency run out.
        spinEvents(300);
    }
    const SinkRecorder::Result recorded = recorder->stop();
    run.tieSpreadNs = std::llround(recorded.scatterNs);
    for (const std::size_t onset : markerOnsets(recorded.audio.left)) {
        const std::optional<std::int64_t> played = recorded.timeOfFrame(onset);
        if (!played) {
            *error = QStringLiteral("the recording was never tied to the clock");
            return std::nullopt;
        }
        run.onsetsNs.push_back(*played);
    }
    return run;
}

}  // namespace lumenor::test
