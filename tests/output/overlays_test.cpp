#include <gtest/gtest.h>

#include "output/hud_view.h"
#include "output/identify_layout.h"
#include "output/info_card_view.h"
#include "output/output_texts.h"
#include "output/overlay_palette.h"
#include "output/overlay_shadow.h"
#include "output/pixel_exactness.h"

namespace lumenor {
namespace {

DisplayInfo display(QString name, std::int64_t w, std::int64_t h, double hz) {
    DisplayInfo d;
    d.name = std::move(name);
    d.currentMode.pixelWidth = w;
    d.currentMode.pixelHeight = h;
    d.currentMode.refreshHz = hz;
    return d;
}

// A name holding "%1" or markup is shown as it is, not filled in or drawn as markup.
TEST(OutputWidgets, BannerNamesModeAndRateAndDisplayNamesArePlainText) {
    EXPECT_EQ(displayBannerText(display("TV", 1920, 1080, 59.94005994)),
              QString::fromUtf8("TV   1920\u00D71080   59.94 Hz"));
    EXPECT_EQ(displayBannerText(display("<i>P</i>%1 %2", 1280, 720, 0.0)),
              QString::fromUtf8("<i>P</i>%1 %2   1280\u00D7720   \u2014"));
    InfoCardView card;
    card.showDisplay(display("<i>P</i>%1", 1920, 1080, 60.0));
    EXPECT_EQ(card.nameLabel().text(), "<i>P</i>%1");
    HUDView hud;
    for (const QLabel* label : {&card.nameLabel(), &card.resLabel(), &card.fpsLabel(),
                                &card.frameLabel(), hud.findChild<const QLabel*>()}) {
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
    }
}

// Every change is announced, so that the output redraws the card.
TEST(OutputWidgets, InfoCardShowsTheDisplayAndTheFrameStatus) {
    InfoCardView card;
    int changes = 0;
    card.onChanged = [&] { ++changes; };
    card.showDisplay(display("Studio 27", 2560, 1440, 143.998));
    EXPECT_EQ(card.fpsLabel().text(), "144.00 Hz");
    card.showDisplay(display("Studio", 3840, 2160, -5.0));
    EXPECT_EQ(card.resLabel().text(), QString::fromUtf8("3840 \u00D7 2160"));
    EXPECT_EQ(card.fpsLabel().text(), "refresh unavailable");
    card.placeIn({1920, 1080});
    EXPECT_NEAR(card.geometry().center().x(), 960, 1);
    EXPECT_NEAR(card.geometry().center().y(), 540, 1);
    EXPECT_GT(card.width(), card.resLabel().sizeHint().width() + 150);
    const auto frameColour = [&] {
        return card.frameLabel().palette().color(QPalette::WindowText);
    };
    card.showFrameStatus(1, false);
    EXPECT_EQ(card.frameLabel().text(), "1 frame dropped (computer side)");
    card.showFrameStatus(2, true);
    EXPECT_EQ(card.frameLabel().text(), "2 frames dropped (computer side)");
    EXPECT_EQ(frameColour(), palette::amber());
    card.showFrameStatus(0, false);
    EXPECT_EQ(frameColour(), palette::amber());
    card.showFrameStatus(0, true);
    EXPECT_EQ(frameColour(), palette::slate());
    card.setShown(true);
    EXPECT_TRUE(card.isShown());
    EXPECT_EQ(changes, 7);
}

TEST(IdentifyLayout, CardIsCappedAndCentred) {
    const IdentifyLayout small = identifyLayout({1280, 800});
    EXPECT_EQ(small.card, QRectF(360, 200, 560, 400));  // height capped by half the view
    const IdentifyLayout large = identifyLayout({3008, 1692});
    EXPECT_EQ(large.card.size(), QSizeF(560, 420));
    EXPECT_EQ(large.card.center(), QPointF(1504, 846));
    const IdentifyLayout narrow = identifyLayout({800, 2000});
    EXPECT_EQ(narrow.card.size(), QSizeF(400, 420));
}

// Black at half opacity under the panel, fading out to nothing `reach` pixels from its edge.
TEST(OverlayShadow, HalfBlackUnderThePanelFadingToNothingAtTheReach) {
    const QImage s = panelShadow({400, 200}, 22, 40, 0.5);
    ASSERT_EQ(s.size(), QSize(480, 280));
    const auto alphaAt = [&](int x, int y) { return qAlpha(s.pixel(x, y)); };
    EXPECT_NEAR(alphaAt(240, 140), 128, 1);
    EXPECT_EQ(qRed(s.pixel(240, 140)), 0);
    EXPECT_EQ(alphaAt(0, 140), 0);
    EXPECT_EQ(alphaAt(240, 0), 0);
    // Darkest under the panel, fading outward from its edge.
    int previous = 255;
    for (int x = 60; x >= 0; x -= 10) {
        EXPECT_LE(alphaAt(x, 140), previous) << x;
        previous = alphaAt(x, 140);
    }
    EXPECT_GT(alphaAt(30, 140), 0);
}

TEST(PixelExactnessTest, WholeScalesAreExactAndFractionalOnesAreSaid) {
    EXPECT_FALSE(notOneToOne({1920, 1080}, {1920, 1080}, 1.0).has_value());
    EXPECT_FALSE(notOneToOne({3840, 2160}, {1920, 1080}, 2.0).has_value());
    EXPECT_FALSE(notOneToOne({1080, 1920}, {1920, 1080}, 1.0).has_value());  // turned a quarter
    // Qt 6.4 draws a 1.25 desktop at the next whole ratio, 2, and the compositor shrinks it.
    const std::optional<QString> note = notOneToOne({1920, 1080}, {1536, 864}, 2.0);
    ASSERT_TRUE(note.has_value());
    EXPECT_TRUE(note->startsWith(QStringLiteral("not 1:1"))) << note->toStdString();
    EXPECT_TRUE(note->contains(QStringLiteral("1.25"))) << note->toStdString();
    // From a mode's pixels and points alone.
    EXPECT_FALSE(notOneToOne({1920, 1080}, {960, 540}).has_value());
    EXPECT_TRUE(notOneToOne({1920, 1080}, {1280, 720}).has_value());
    // Qt's screen still at the size before a mode change: the compositor's figures hold.
    EXPECT_FALSE(notOneToOneOnScreen({1280, 720}, {1280, 720}, {1920, 1080}, 1.0).has_value());
    EXPECT_TRUE(notOneToOneOnScreen({1920, 1080}, {1536, 864}, {1536, 864}, 2.0).has_value());
    // Nothing known, nothing claimed.
    EXPECT_FALSE(notOneToOne({}, {1920, 1080}, 1.0).has_value());
}

}  // namespace
}  // namespace lumenor
