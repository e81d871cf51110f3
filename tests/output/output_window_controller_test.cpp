#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>

#include <atomic>

#include "audio/fake_audio_stream.h"
#include "displays/display_service.h"
#include "displays/present_refresh_link.h"
#include "displays/xrandr_display_platform.h"
#include "output/display_identifier.h"
#include "output/identify_view.h"
#include "output/output_window_controller.h"
#include "support/process.h"
#include "support/qt_on_x.h"
#include "support/xorg_testbed.h"

namespace lumenor::test {
namespace {

class OutputController : public ThreeHeadsWithQt {
  protected:
    void SetUp() override {
        ThreeHeadsWithQt::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        output_ = std::make_unique<OutputWindowController>(
            links_, std::make_unique<FakeAudioStream>(&audio_));
        output_->screenForDisplay = [this](DisplayId id) {
            return displays_->screenForDisplay(id);
        };
        output_->displayIdForScreen = [this](QScreen* s) {
            return displays_->displayIdForScreen(s);
        };
        identifier_.screenForDisplay = output_->screenForDisplay;
    }
    void TearDown() override { output_.reset(); }

    const DisplayInfo& display(int i) const {
        return displays_->displays()[static_cast<std::size_t>(i)];
    }
    // The screens the mirrors are on, by their display ids.
    std::vector<DisplayId> mirrored() const {
        std::vector<DisplayId> ids;
        for (PatternView* v : output_->mirrorViews()) {
            ids.push_back(*displays_->displayIdForScreen(v->screen()));
        }
        return ids;
    }

    PresentRefreshLinkFactory links_;
    FakeAudioStream::Log audio_;
    std::unique_ptr<OutputWindowController> output_;
    DisplayIdentifier identifier_;
};

TEST_F(OutputController, MovingTheOutputMovesTheMirrorsAndOneScreenHasNone) {
    output_->setMirrorOn(true);
    output_->show(display(0), Pattern::grid);
    spinEvents(300);
    EXPECT_EQ(output_->currentDisplayID(), display(0).id);
    EXPECT_EQ(mirrored(), (std::vector<DisplayId>{display(1).id, display(2).id}));

    output_->show(display(1), Pattern::grid);
    spinEvents(300);
    EXPECT_EQ(output_->currentDisplayID(), display(1).id);
    EXPECT_EQ(output_->patternView().screen(), displays_->screenForDisplay(display(1).id));
    EXPECT_EQ(mirrored(), (std::vector<DisplayId>{display(0).id, display(2).id}));

    output_->setPattern(Pattern::smpte);
    for (PatternView* v : output_->mirrorViews()) {
        EXPECT_EQ(v->pattern(), Pattern::smpte);
        EXPECT_FALSE(v->onCycle || v->onClose || v->onMouseMoved || v->onBounce);
    }
    output_->hide();
    EXPECT_FALSE(output_->isShown());
    EXPECT_TRUE(output_->mirrorViews().empty());

    // With one screen, mirroring makes no mirror.
    ASSERT_TRUE(x().unplug("DUMMY1"));
    ASSERT_TRUE(x().unplug("DUMMY2"));
    spinEvents(500);
    ASSERT_EQ(QGuiApplication::screens().size(), 1);
    displays_->refresh();
    output_->setMirrorOn(true);
    output_->show(displays_->displays().front(), Pattern::grid);
    spinEvents(200);
    EXPECT_TRUE(output_->isShown());
    EXPECT_TRUE(output_->mirrorViews().empty());
}

TEST_F(OutputController, AnimatedOutputTicksOncePerRefresh) {
    // Refreshes reported to a link of our own, and the display's refresh counter at the first
    // and last report: a loaded machine may report late or merge reports, never add refreshes.
    std::atomic<std::uint64_t> refreshes{0};
    std::atomic<std::uint64_t> firstCounter{0};
    std::atomic<std::uint64_t> lastCounter{0};
    output_->show(display(0), Pattern::bounce);
    spinEvents(500);
    ASSERT_TRUE(output_->patternView().isAnimating());
    auto counter = links_.create(display(0).id, [&](const RefreshStamp& stamp) {
        std::uint64_t none = 0;
        firstCounter.compare_exchange_strong(none, stamp.counter);
        lastCounter = stamp.counter;
        ++refreshes;
    });
    ASSERT_TRUE(counter);
    const std::uint64_t framesBefore = output_->patternView().framesPresented();
    spinEvents(10000);
    counter.reset();
    const std::uint64_t frames = output_->patternView().framesPresented() - framesBefore;
    const std::uint64_t msc = refreshes.load();
    // Ten seconds at 60 Hz; a loaded test machine may make the server itself miss some.
    EXPECT_GT(msc, 450u);
    // Never more than a frame a refresh. Frames are drawn a refresh ahead and up to three wait
    // in the queue when the count ends.
    EXPECT_LE(frames, lastCounter.load() - firstCounter.load() + 4);
    EXPECT_GE(frames + 6, msc) << "frames presented " << frames << " of " << msc << " refreshes";
    output_->setPattern(Pattern::grid);
    EXPECT_FALSE(output_->patternView().isAnimating());
}

// A white window that counts the clicks it gets.
class ClickTarget : public QWidget {
  public:
    int clicks = 0;

  protected:
    void mousePressEvent(QMouseEvent*) override { ++clicks; }
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::white); }
};

// A second show replaces the cards and restarts the timer; a display without a screen keeps its
// number among the others. The cards darken what is below them but let its clicks through.
TEST_F(OutputController, IdentifyPutsACardOnEachHeadAndASecondShowReplacesThem) {
    identifier_.show(displays_->displays(), 0.6);
    spinEvents(400);
    std::vector<DisplayInfo> list = displays_->displays();
    list[1].id = 1;  // no screen shows this one
    identifier_.show(list, 0.6);
    ASSERT_EQ(identifier_.windows().size(), 2u);
    EXPECT_EQ(identifier_.windows()[0]->index(), 1);
    EXPECT_EQ(identifier_.windows()[1]->index(), 3);
    spinEvents(400);  // past the first call's end, inside the second's
    EXPECT_EQ(identifier_.windows().size(), 2u);
    int shown = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        shown += w->isVisible() ? 1 : 0;
    }
    EXPECT_EQ(shown, 2);
    EXPECT_TRUE(x().findWindow("Lumenor identify 3", 2000));
    spinEvents(400);
    EXPECT_TRUE(identifier_.windows().empty());

    ClickTarget white;
    white.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    white.setGeometry(1920, 0, 1280, 720);
    white.show();
    spinEvents(300);
    identifier_.show(displays_->displays(), 3.0);
    spinEvents(300);
    ASSERT_EQ(identifier_.windows().size(), 3u);
    const QRect heads[] = {{0, 0, 1920, 1080}, {1920, 0, 1280, 720}, {3200, 0, 1920, 1080}};
    for (int i = 0; i < 3; ++i) {
        const auto w = x().findWindow(QStringLiteral("Lumenor identify %1").arg(i + 1), 2000);
        ASSERT_TRUE(w) << i;
        EXPECT_EQ(w->geometry, heads[i]);
        EXPECT_EQ(identifier_.windows()[static_cast<std::size_t>(i)]->index(), i + 1);
    }
    // The card's fill at the centre of a head, and the picture below darkened around it.
    const QImage shot = x().capture(heads[1]);
    EXPECT_NEAR(QColor(shot.pixel(100, 100)).red(), 140, 2);  // 255 under black at 0.45
    const QColor centre = shot.pixelColor(640, 300);
    // Deep ink at 0.95 over the darkened white.
    EXPECT_NEAR(centre.red(), 0.95 * 7 + 0.05 * 140, 1.0);
    EXPECT_NEAR(centre.blue(), 0.95 * 11 + 0.05 * 140, 1.0);
    EXPECT_GT(QColor(shot.pixel(640, 190)).blue(), QColor(shot.pixel(640, 190)).red())
        << "the card's iris number sits above the centre";
    const auto r =
        runProcess("xdotool", {"mousemove", "2560", "360", "click", "1"}, x().environment());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    spinEvents(300);
    EXPECT_EQ(white.clicks, 1);
}

}  // namespace
}  // namespace lumenor::test
