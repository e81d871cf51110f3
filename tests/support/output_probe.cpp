// The output's window, pattern view and frame meter alone, for the tests and the benchmark that
// read them through a Wayland compositor (or, for comparison, the X server):
// `output_probe PATTERN SCREEN_NAME MODE_WxH [SECONDS]`. Prints what the output says of its
// pixels ("pixels 1:1" or the statement), "shown WxH" as frames of a new size are drawn,
// "meter HZ DROPPED" at each meter report (or "meter untimed"), and after SECONDS, before it
// quits, "frames SHOWN cpu-ms CPU" for those seconds from the first report on. Without SECONDS it
// also asks for a frame once a second and prints "shown-after MS" once the display's word of
// when that frame reached the screen comes, counted from the request.
#include <QApplication>
#include <QScreen>
#include <QStringList>
#include <QTimer>
#include <QWindow>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>

#include "displays/present_refresh_link.h"
#include "displays/wayland_refresh_link.h"
#include "displays/xrandr_display_platform.h"
#include "output/frame_meter.h"
#include "output/output_window.h"
#include "output/pixel_exactness.h"
#include "patterns/pattern.h"
#include "patterns/pattern_view.h"

using namespace lumenor;

namespace {

std::uint64_t monotonicMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

double cpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: output_probe PATTERN SCREEN_NAME MODE_WxH [SECONDS]\n");
        return 2;
    }
    const std::optional<Pattern> pattern = patternFromRawName(QString::fromUtf8(argv[1]));
    QScreen* screen = nullptr;
    for (QScreen* s : QGuiApplication::screens()) {
        if (s->name() == QString::fromUtf8(argv[2])) {
            screen = s;
        }
    }
    const QStringList mode = QString::fromUtf8(argv[3]).split(QLatin1Char('x'));
    if (!pattern || screen == nullptr || mode.size() != 2) {
        std::fprintf(stderr, "no such pattern, screen or mode\n");
        return 2;
    }
    const std::optional<QString> note = notOneToOne(
        {mode[0].toInt(), mode[1].toInt()}, screen->geometry().size(), screen->devicePixelRatio());
    std::printf("pixels %s\n", note ? qPrintable(*note) : "1:1");
    OutputWindow window(OutputWindow::Role::output);
    std::unique_ptr<RefreshLinkFactory> links;
    DisplayId display = 0;  // a Wayland link takes the window's own display
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        links = std::make_unique<PresentRefreshLinkFactory>();
        XrandrDisplayPlatform randr(XrandrConnection::open(nullptr, nullptr));
        for (const ScreenEntry& e : randr.screens()) {
            if (e.screen == screen && e.number) {
                display = *e.number;
            }
        }
    } else {
        links = std::make_unique<WaylandRefreshLinkFactory>(
            [&window](auto) { return window.windowHandle(); },
            [&window](QWindow*) { window.update(); });
    }
    PatternView view(*links);
    view.setPattern(*pattern);
    window.attach(&view);
    window.cover(screen);

    FrameMeter meter(*links);
    std::uint64_t framesAtFirstReport = 0;
    double cpuAtFirstReport = 0.0;
    const int measureMs = argc > 4 ? qRound(QString::fromUtf8(argv[4]).toDouble() * 1000) : 0;
    meter.onUpdate = [&](double hz, int dropped, bool) {
        if (measureMs > 0 && framesAtFirstReport == 0) {
            framesAtFirstReport = view.framesShown();
            cpuAtFirstReport = cpuMs();
            QTimer::singleShot(measureMs, [&] {
                std::printf(
                    "frames %llu cpu-ms %.1f\n",
                    static_cast<unsigned long long>(view.framesShown() - framesAtFirstReport),
                    cpuMs() - cpuAtFirstReport);
                std::fflush(stdout);
                QApplication::quit();
            });
        }
        std::printf("meter %.3f %d\n", hz, dropped);
        std::fflush(stdout);
    };
    meter.onTimingUnavailable = [] {
        std::printf("meter untimed\n");
        std::fflush(stdout);
    };
    std::optional<std::pair<std::uint64_t, std::uint64_t>> asked;  // frame, when (µs)
    QTimer ask;
    QObject::connect(&ask, &QTimer::timeout, [&] {
        if (!asked && view.framesShown() > 0) {
            asked.emplace(view.lastFrameNumber() + 1, monotonicMicros());
            view.requestRedraw();
        }
    });
    if (measureMs == 0) {
        ask.start(1000);
    }
    QSize lastSize;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (view.framesShown() == 0) {
            return;
        }
        if (const auto shown = asked ? view.shownAt(asked->first) : std::nullopt) {
            std::printf("shown-after %.3f\n",
                        (static_cast<double>(*shown) - static_cast<double>(asked->second)) / 1e3);
            std::fflush(stdout);
            asked.reset();
        }
        if (!meter.isRunning()) {
            meter.start(display);
        }
        const QSize device = view.size() * view.devicePixelRatio();
        if (device != lastSize) {
            lastSize = device;
            std::printf("shown %dx%d\n", device.width(), device.height());
            std::fflush(stdout);
        }
    });
    watch.start(20);
    return QApplication::exec();
}
