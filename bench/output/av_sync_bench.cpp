// Shows the bounce and the countdown for ten seconds each on a 1920 × 1080 head of the virtual
// X server with the sync markers going to the PulseAudio test bed, records the null sink's
// monitor tied to the monotonic clock, and prints how evenly the markers are spaced and how far
// each lies from Present's time (ust) for the frame that shows its event. Fails (status 1) when
// a spacing is off by more than 1 ms or an offset exceeds 2 ms.
#include <cmath>
#include <cstdio>

#include "support/av_sync_run.h"
#include "support/qt_on_x.h"
#include "support/xorg_testbed.h"

namespace {

using lumenor::Pattern;

bool measure(const lumenor::test::PulseTestbed& bed, Pattern pattern, double firstEvent) {
    QString error;
    const std::optional<lumenor::test::SyncRun> run =
        lumenor::test::runAvSync(bed, pattern, 10.5, 0.0, &error);
    if (!run) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    const lumenor::test::SyncFigures f = lumenor::test::syncFigures(*run, 1.0, firstEvent);
    std::printf(
        "%-10s markers %2d  spacing off by at most %6.3f ms  offset to its frame %+7.3f "
        ".. %+7.3f ms (median %+7.3f over %d)  clock tie scatter %.3f ms\n",
        qPrintable(lumenor::rawName(pattern)), f.markers, f.spacingMs, f.offsetMinMs, f.offsetMaxMs,
        f.offsetMedianMs, f.matched, static_cast<double>(run->tieSpreadNs) / 1e6);
    std::fflush(stdout);
    return f.matched >= 10 && f.spacingMs <= 1.0 && std::fabs(f.offsetMinMs) <= 2.0 &&
           std::fabs(f.offsetMaxMs) <= 2.0;
}

}  // namespace

int main() {
    QString error;
    auto x = lumenor::test::XorgTestbed::start(&error);
    auto bed = lumenor::test::PulseTestbed::start(&error);
    if (!x || !bed) {
        std::fprintf(stderr, "test beds: %s\n", qPrintable(error));
        return 1;
    }
    const lumenor::test::QtOnX app(*x);
    const bool bounce = measure(*bed, Pattern::bounce, 0.5);
    const bool countdown = measure(*bed, Pattern::countdown, 0.0);
    std::printf("%s\n",
                bounce && countdown ? "within 1 ms spacing and 2 ms offset" : "OUT OF BOUNDS");
    return bounce && countdown ? 0 : 1;
}
