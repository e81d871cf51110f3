#include <gtest/gtest.h>

#include "output/hud_view.h"
#include "output/info_card_view.h"
#include "output/output_texts.h"
#include "output/overlay_palette.h"

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

}  // namespace
}  // namespace lumenor
