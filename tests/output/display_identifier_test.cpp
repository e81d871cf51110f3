#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>

#include "displays/display_service.h"
#include "displays/xrandr_display_platform.h"
#include "output/display_identifier.h"
#include "output/identify_view.h"
#include "support/process.h"
#include "support/qt_on_x.h"
#include "support/xorg_testbed.h"

namespace lumenor {
namespace {

using test::ThreeHeadsWithQt;

using test::spinEvents;

// A white window that counts the clicks it gets.
class ClickTarget : public QWidget {
  public:
    int clicks = 0;

  protected:
    void mousePressEvent(QMouseEvent*) override { ++clicks; }
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::white); }
};

class Identify : public ThreeHeadsWithQt {
  protected:
    void SetUp() override {
        ThreeHeadsWithQt::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        identifier_.screenForDisplay = [this](DisplayId id) {
            return displays_->screenForDisplay(id);
        };
    }

    DisplayIdentifier identifier_;
};

// The cards darken what is below them but let its clicks through.
TEST_F(Identify, OneCardPerDisplayOnItsOwnHead) {
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
        test::runProcess("xdotool", {"mousemove", "2560", "360", "click", "1"}, x().environment());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    spinEvents(300);
    EXPECT_EQ(white.clicks, 1);
}

// A second show replaces the cards and restarts the timer; a display without a screen keeps its
// number among the others.
TEST_F(Identify, ASecondShowReplacesTheCardsAndRestartsTheTimer) {
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
}

}  // namespace
}  // namespace lumenor
