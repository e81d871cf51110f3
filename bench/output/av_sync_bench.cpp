// Shows the bounce and the countdown for ten seconds each on a 1920 × 1080 head of the virtual
// X server with the sync markers going to the PulseAudio test bed, records the null sink's
// monitor tied to the monotonic clock, and prints how evenly the markers are spaced and how far
// each lies from Present's time (ust) for the frame that shows its event. Fails (status 1) when
// a spacing is off by more than 1 ms or an offset exceeds 2 ms.
#include <cmath>
#include <cstdio>
#include <string>

#include "support/av_sync_run.h"
#include "support/qt_on_x.h"
#include "support/xorg_testbed.h"

namespace {

using lumenor::Pattern;

double ms(std::int64_t ns) {
    return static_cast<double>(ns) / 1e6;
}

// One line per marker: the sound against its frame, and each against the time the output
// asked for (the sound's error is the audio clock's, the frame's the refresh prediction's).
void printRows(const lumenor::test::SyncFigures& f) {
    for (const lumenor::test::MarkerRow& r : f.rows) {
        std::printf("  event %6.2f s  sound - frame %+8.3f ms", r.event,
                    r.frameNs ? ms(r.onsetNs - *r.frameNs) : NAN);
        if (r.scheduledNs) {
            std::printf("  sound - asked %+8.3f ms  frame - asked %+8.3f ms",
                        ms(r.onsetNs - *r.scheduledNs),
                        r.frameNs ? ms(*r.frameNs - *r.scheduledNs) : NAN);
        }
        std::printf("\n");
    }
}

bool measure(const lumenor::test::PulseTestbed& bed, Pattern pattern, double firstEvent) {
    QString error;
    const std::optional<lumenor::test::SyncRun> run =
        lumenor::test::runAvSync(bed, pattern, 10.5, 0.0, &error);
    if (!run) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    const lumenor::test::SyncFigures f = lumenor::test::syncFigures(*run, 1.0, firstEvent);
    std::printf("%s: %zu markers, clock tie scatter %.3f ms\n",
                qPrintable(lumenor::rawName(pattern)), f.rows.size(), ms(run->tieSpreadNs));
    printRows(f);
    std::printf(
        "  spacing off by at most %.3f ms; sound - frame %+.3f .. %+.3f ms (median "
        "%+.3f over %d)\n",
        f.spacingMs, f.offsetMinMs, f.offsetMaxMs, f.offsetMedianMs, f.matched);
    std::fflush(stdout);
    return f.matched >= 10 && f.spacingMs <= 1.0 && std::fabs(f.offsetMinMs) <= 2.0 &&
           std::fabs(f.offsetMaxMs) <= 2.0;
}

}  // namespace

int main(int argc, char** argv) {
    // Either pattern alone when named.
    const std::string only = argc > 1 ? argv[1] : "";
    QString error;
    auto x = lumenor::test::XorgTestbed::start(&error);
    auto bed = lumenor::test::PulseTestbed::start(&error);
    if (!x || !bed) {
        std::fprintf(stderr, "test beds: %s\n", qPrintable(error));
        return 1;
    }
    const lumenor::test::QtOnX app(*x);
    bool good = true;
    if (only.empty() || only == "bounce") {
        good = measure(*bed, Pattern::bounce, 0.5) && good;
    }
    if (only.empty() || only == "countdown") {
        good = measure(*bed, Pattern::countdown, 0.0) && good;
    }
    std::printf("%s\n", good ? "within 1 ms spacing and 2 ms offset" : "OUT OF BOUNDS");
    return good ? 0 : 1;
}
