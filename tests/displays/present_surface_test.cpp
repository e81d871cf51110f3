#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "displays/present_refresh_link.h"
#include "displays/present_surface.h"
#include "support/rendered_pixels.h"
#include "support/wait.h"
#include "support/xorg_testbed.h"

// Xlib last: its macros clash with Qt's headers.
#include <X11/Xlib.h>

namespace lumenor {
namespace {

// A bare override-redirect window of our own on the server.
class BareWindow {
  public:
    BareWindow(const QString& display, QRect geometry) {
        dpy_ = XOpenDisplay(display.toLocal8Bit().constData());
        XSetWindowAttributes attrs{};
        attrs.override_redirect = True;
        attrs.background_pixmap = None;
        window_ = XCreateWindow(
            dpy_, DefaultRootWindow(dpy_), geometry.x(), geometry.y(),
            static_cast<unsigned>(geometry.width()), static_cast<unsigned>(geometry.height()), 0,
            CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixmap, &attrs);
        XMapRaised(dpy_, window_);
        XSync(dpy_, False);
    }
    ~BareWindow() {
        XDestroyWindow(dpy_, window_);
        XCloseDisplay(dpy_);
    }
    unsigned long id() const { return window_; }

  private:
    Display* dpy_;
    Window window_;
};

class PresentSurfaceTest : public test::XServerTest {
  protected:
    void SetUp() override {
        XServerTest::SetUp();
        ::setenv("DISPLAY", x().displayName().toLocal8Bit().constData(), 1);
    }
};

// A server without MIT-SHM, as a display on another machine is: frames go up with PutImage.
// That frames reach the screen pixel for pixel on both kinds of server is what the show
// command's tests compare; shared buffers are taken and given back in the burst test.
class PresentSurfaceWithoutShmTest : public PresentSurfaceTest {
  protected:
    static void SetUpTestSuite() { startServer({"-extension", "MIT-SHM"}); }
};

TEST_F(PresentSurfaceWithoutShmTest, BuffersComeBackAfterUse) {
    EXPECT_EQ(PresentSurface::open(0x1fffffff), nullptr) << "no surface for a missing window";
    BareWindow window(x().displayName(), QRect(0, 0, 640, 360));
    auto surface = PresentSurface::open(window.id());
    ASSERT_TRUE(surface);
    // Far more frames than buffers: each is given back once the server is done with it.
    int shown = 0;
    for (int i = 0; i < 120; ++i) {
        QImage frame = surface->beginFrame({640, 360});
        if (frame.isNull()) {
            continue;
        }
        frame.fill(QColor(i, i, i));
        shown += surface->present() ? 1 : 0;
    }
    EXPECT_GE(shown, 100);
    // Frames overtaken before their refresh may be reported after the one that overtook them:
    // the latest completion is still the last frame.
    test::waitUntil([&] { return surface->completed() >= surface->presented(); });
    ASSERT_TRUE(surface->lastCompletion());
    EXPECT_EQ(surface->lastCompletion()->serial, surface->lastSerial());
    // A new size gets new buffers, once one of the old ones is off the screen.
    QImage smaller;
    test::waitUntil([&] {
        smaller = surface->beginFrame({320, 200});
        return !smaller.isNull();
    });
    EXPECT_EQ(smaller.size(), QSize(320, 200));
    EXPECT_TRUE(surface->beginFrame({0, 0}).isNull());
}

// Waits for a free buffer and presents `frame` from it.
bool presentCopy(PresentSurface& surface, const QImage& frame, std::uint64_t targetMsc = 0) {
    QImage into;
    test::waitUntil([&] {
        into = surface.beginFrame(frame.size());
        return !into.isNull();
    });
    if (into.isNull()) {
        return false;
    }
    std::memcpy(into.bits(), frame.constBits(), static_cast<std::size_t>(frame.sizeInBytes()));
    return surface.present(targetMsc);
}

// Frames queued for later refreshes hold buffers of their own; once the burst is over, the
// buffers it took beyond the few in use go after a while unused. The last frame of an
// animation is queued for a refresh ahead; the still frame that follows it, asked for the next
// refresh, must not be overtaken by it.
TEST_F(PresentSurfaceTest, BuffersTakenForABurstGoAgainAndItsFramesOvertakeNoLaterOne) {
    QImage frame(320, 200, QImage::Format_RGB32);
    frame.fill(Qt::darkCyan);
    BareWindow window(x().displayName(), frame.rect());
    auto surface = PresentSurface::open(window.id());
    ASSERT_TRUE(surface);
    std::optional<std::uint64_t> msc;  // the refresh the latest frame was shown at
    surface->onShown = [&msc](const PresentSurface::Shown& s) { msc = s.msc; };
    ASSERT_TRUE(presentCopy(*surface, frame));
    ASSERT_TRUE(test::waitUntil([&] { return surface->completed() >= 1 && msc.has_value(); }));
    for (const std::uint64_t ahead : {30, 31, 32, 50}) {
        frame.fill(QColor(static_cast<int>(ahead), 0, 0));
        ASSERT_TRUE(presentCopy(*surface, frame, *msc + ahead));
    }
    EXPECT_EQ(surface->buffersHeld(), 4);
    frame.fill(Qt::green);
    ASSERT_TRUE(presentCopy(*surface, frame));
    ASSERT_TRUE(
        test::waitUntil([&] { return surface->completed() >= surface->presented(); }, 5000));
    EXPECT_EQ(test::differing(x().capture(frame.rect()), frame), 0);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < std::chrono::milliseconds(PresentSurface::kSpareKept).count() + 1000) {
        frame.fill(QColor(0, static_cast<int>(t.elapsed() % 256), 0));
        ASSERT_TRUE(presentCopy(*surface, frame));
        test::waitUntil([&] { return surface->completed() >= surface->presented(); });
    }
    EXPECT_LE(surface->buffersHeld(), 2);
    EXPECT_EQ(test::differing(x().capture(frame.rect()), frame), 0);
}

// Each link keeps to its own display's refreshes: DUMMY0 runs at 60 Hz, DUMMY1 at 50. That a
// link ticks once a refresh is counted through the output (OutputController's
// AnimatedOutputTicksOncePerRefresh) and the meter's idle reports (OutputOnX).
TEST_F(PresentSurfaceTest, EachActiveDisplaysLinkStampsItsOwnRefreshesUntilItIsGone) {
    ASSERT_TRUE(x().plug("DUMMY1", "1920x1080_50"));
    std::atomic<int> ticks{0};
    std::atomic<std::int64_t> scale{0};
    std::atomic<std::int64_t> period{0};
    std::atomic<std::int64_t> otherPeriod{0};
    PresentRefreshLinkFactory links(x().displayName().toLocal8Bit());
    auto link =
        links.create(static_cast<DisplayId>(x().outputId("DUMMY0")), [&](const RefreshStamp& s) {
            scale = s.timeScale;
            period = s.refreshPeriod;
            ++ticks;
        });
    auto other = links.create(static_cast<DisplayId>(x().outputId("DUMMY1")),
                              [&](const RefreshStamp& s) { otherPeriod = s.refreshPeriod; });
    ASSERT_TRUE(link && other);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    link.reset();
    EXPECT_EQ(scale.load(), 1'000'000);
    EXPECT_EQ(period.load(), 16'667);
    EXPECT_EQ(otherPeriod.load(), 20'000);

    // The link is gone: nothing more arrives.
    const int seen = ticks.load();
    EXPECT_GT(seen, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(ticks.load(), seen);
    // None for a display that is not active, or on no server.
    EXPECT_EQ(links.create(static_cast<DisplayId>(x().outputId("DUMMY7")), [](const auto&) {}),
              nullptr);
    EXPECT_EQ(PresentRefreshLinkFactory(":9999").create(std::nullopt, [](const auto&) {}), nullptr);
}

}  // namespace
}  // namespace lumenor
