#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

#include "patterns/pattern.h"
#include "support/pulse_testbed.h"

namespace lumenor::test {

// A frame of an animated pattern that reached the screen: its animation time and Present's
// ust for it, in ns of CLOCK_MONOTONIC.
struct ShownFrame {
    double t = 0.0;
    std::int64_t ustNs = 0;
    std::uint64_t msc = 0;
};

// One run of the output with its sync markers on the PulseAudio test bed, the sink recorded.
struct SyncRun {
    std::vector<std::int64_t> onsetsNs;  // when each marker's first frame was played at the sink
    std::vector<ShownFrame> frames;
    std::vector<std::int64_t> scheduledNs;  // the times the output asked the markers for
    std::int64_t tieSpreadNs = 0;           // how far the recording's ties to the clock spread
};

// Shows `pattern` on the first head of the X server that the Qt application runs on, for
// `seconds`, clicking and beeping through `bed`'s server; none with `error` set on failure.
std::optional<SyncRun> runAvSync(const PulseTestbed& bed, Pattern pattern, double seconds,
                                 double offsetMs, QString* error);

// One marker heard at the sink, set against the event it belongs to.
struct MarkerRow {
    double event = 0.0;  // animation time of the event, seconds
    std::int64_t onsetNs = 0;
    std::optional<std::int64_t> frameNs;      // ust of the first frame that shows the event
    std::optional<std::int64_t> scheduledNs;  // the time asked for, nearest to the onset
};

// What a run shows, for events once every `period` seconds of animation time from
// `firstEvent` on.
struct SyncFigures {
    std::vector<MarkerRow> rows;
    double spacingMs = 0.0;  // the largest |gap between successive markers − period|
    int matched = 0;         // markers set against the frame of their event
    double offsetMinMs = 0.0;
    double offsetMaxMs = 0.0;
    double offsetMedianMs = 0.0;
};
// Markers are matched to the nearest event. One at the animation's very start (sounded as
// the output opens, before any frame could be known) is left out of the spacing and offsets.
SyncFigures syncFigures(const SyncRun& run, double period, double firstEvent);

// The onset frames of the clicks or beeps in a recording (their first sample is 0).
std::vector<std::size_t> markerOnsets(const std::vector<float>& samples);

// For each event at animation time t, the ust of the first frame shown at or after it; none
// where no such frame was seen.
std::vector<std::optional<std::int64_t>> framesShowing(const std::vector<ShownFrame>& frames,
                                                       const std::vector<double>& eventTimes);

}  // namespace lumenor::test
