// Shows each animated pattern full screen on a 1920 × 1080 head of the virtual X server for ten
// seconds while another process keeps the second core busy, and prints the frames presented,
// the head's refreshes, the refreshes on which no new frame reached the screen, and the CPU time
// the process spent per frame. The time passes in Qt's own event loop, which sleeps between events
// as the application's does, so the CPU time is what showing the pattern costs.
#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "audio/fake_audio_stream.h"
#include "bench_beds.h"
#include "displays/display_service.h"
#include "displays/present_refresh_link.h"
#include "displays/xrandr_display_platform.h"
#include "output/output_window_controller.h"
#include "support/qt_on_x.h"

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void runEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main() {
    using namespace lumenor;
    auto x = bench::startXorg();
    if (!x) {
        return 1;
    }
    QString error;
    const test::QtOnX app(*x);
    auto connection = XrandrConnection::open(nullptr, &error);
    if (!connection) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    DisplayService displays(std::make_unique<XrandrDisplayPlatform>(std::move(connection)));
    displays.refresh();
    PresentRefreshLinkFactory links;
    FakeAudioStream::Log audio;
    OutputWindowController output(links, std::make_unique<FakeAudioStream>(&audio));
    output.screenForDisplay = [&](DisplayId id) { return displays.screenForDisplay(id); };
    output.displayIdForScreen = [&](QScreen* s) { return displays.displayIdForScreen(s); };
    const DisplayInfo head = displays.displays().front();

    const pid_t load = bench::startBusyCore();
    std::printf("%-12s %8s %10s %8s %14s\n", "pattern", "frames", "refreshes", "missed",
                "cpu/frame ms");
    for (const Pattern p :
         {Pattern::movingBlock, Pattern::bounce, Pattern::countdown, Pattern::timecode}) {
        output.show(head, p);
        // Missed: the refreshes between two frames shown on screen, by the refresh counters
        // those frames reached it at. Frames queued ahead of the refreshes count for nothing.
        bool measuring = false;
        std::optional<std::uint64_t> lastShown;
        std::uint64_t missed = 0;
        output.patternView().onFrameShown = [&](double, std::uint64_t, std::uint64_t msc) {
            if (measuring && lastShown && msc > *lastShown + 1) {
                missed += msc - *lastShown - 1;
            }
            if (measuring && (!lastShown || msc > *lastShown)) {
                lastShown = msc;
            }
        };
        runEventLoop(1000);
        measuring = true;
        std::atomic<std::uint64_t> refreshes{0};
        auto counter = links.create(head.id, [&](const RefreshStamp&) { ++refreshes; });
        const std::uint64_t frames0 = output.patternView().framesPresented();
        const double cpu0 = cpuSeconds();
        runEventLoop(10000);
        measuring = false;
        counter.reset();
        const double cpu = cpuSeconds() - cpu0;
        const std::uint64_t frames = output.patternView().framesPresented() - frames0;
        const std::uint64_t msc = refreshes.load();
        std::printf("%-12s %8llu %10llu %8llu %14.3f\n", qPrintable(rawName(p)),
                    static_cast<unsigned long long>(frames), static_cast<unsigned long long>(msc),
                    static_cast<unsigned long long>(missed),
                    frames > 0 ? 1000.0 * cpu / static_cast<double>(frames) : 0.0);
        std::fflush(stdout);
    }
    output.hide();
    ::kill(load, SIGKILL);
    ::waitpid(load, nullptr, 0);
    return 0;
}
