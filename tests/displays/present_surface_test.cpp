#include <gtest/gtest.h>

#include <cstdlib>

#include "displays/present_surface.h"
#include "support/wait.h"
#include "support/xorg_testbed.h"

// Xlib last: its macros clash with Qt's headers.
#include <X11/Xlib.h>

namespace lumenor {
namespace {

using test::XServerTest;

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

class PresentSurfaceTest : public XServerTest {
  protected:
    void SetUp() override {
        XServerTest::SetUp();
        ::setenv("DISPLAY", x().displayName().toLocal8Bit().constData(), 1);
    }
};

// The same checks on a server without MIT-SHM, as a display on another machine is: frames go
// up with PutImage. That frames reach the screen pixel for pixel on both kinds of server is
// what the show command's tests compare.
class PresentSurfaceWithoutShmTest : public PresentSurfaceTest {
  protected:
    static void SetUpTestSuite() { startServer({"-extension", "MIT-SHM"}); }
};

void buffersComeBackAfterUse(test::XorgTestbed& x) {
    BareWindow window(x.displayName(), QRect(0, 0, 640, 360));
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

TEST_F(PresentSurfaceTest, BuffersComeBackAfterUse) {
    buffersComeBackAfterUse(x());
}

TEST_F(PresentSurfaceWithoutShmTest, BuffersComeBackAfterUse) {
    buffersComeBackAfterUse(x());
}

// The last frame of an animation is queued for a refresh ahead; the still frame that follows
// it, asked for the next refresh, must not be overtaken by it.
TEST_F(PresentSurfaceTest, AFrameForTheNextRefreshIsNotOvertakenByOneQueuedForALaterRefresh) {
    BareWindow window(x().displayName(), QRect(0, 0, 320, 200));
    auto surface = PresentSurface::open(window.id());
    ASSERT_TRUE(surface);
    std::optional<std::uint64_t> msc;
    surface->onShown = [&](const PresentSurface::Shown& s) { msc = s.msc; };
    const auto show = [&](Qt::GlobalColor colour, std::uint64_t target) {
        QImage frame;
        test::waitUntil([&] {
            frame = surface->beginFrame({320, 200});
            return !frame.isNull();
        });
        frame.fill(colour);
        return surface->present(target);
    };
    ASSERT_TRUE(show(Qt::blue, 0));
    test::waitUntil([&] { return surface->completed() >= 1 && msc.has_value(); });
    ASSERT_TRUE(msc.has_value());
    ASSERT_TRUE(show(Qt::red, *msc + 20));
    ASSERT_TRUE(show(Qt::green, 0));
    test::waitUntil([&] { return surface->completed() >= surface->presented(); });
    EXPECT_EQ(x().capture(QRect(0, 0, 320, 200)).pixel(160, 100) & 0xffffffu, 0x00ff00u);
}

TEST_F(PresentSurfaceTest, NoSurfaceForAMissingWindow) {
    EXPECT_EQ(PresentSurface::open(0x1fffffff), nullptr);
}

}  // namespace
}  // namespace lumenor
