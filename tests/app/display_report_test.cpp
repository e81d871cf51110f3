#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

#include "app/display_report.h"
#include "displays/display_modes.h"
#include "displays/display_service.h"
#include "displays/fake_display_platform.h"
#include "displays/fake_mode_platform.h"
#include "support/mode_info.h"

namespace lumenor {
namespace {

ModeInfo mode(std::int32_t id, std::int64_t w, std::int64_t h, std::int64_t pw, std::int64_t ph,
              double hz, bool native = false) {
    ModeInfo m = test::mode(id, w, h, hz, pw, ph);
    m.isNative = native;
    return m;
}

DisplayInfo display(DisplayId id, const QString& name, bool builtin, ModeInfo current,
                    PhysicalSize size = {}, const QString& connector = {}) {
    DisplayInfo d;
    d.id = id;
    d.name = name;
    d.connector = connector;
    d.isBuiltin = builtin;
    d.currentMode = std::move(current);
    d.physicalSizeMM = size;
    return d;
}

DisplayInfo tenBits(DisplayInfo d) {
    d.bitsPerChannel = 10;
    return d;
}

TEST(DisplayReport, EachDisplayIsABlockInListOrder) {
    // Mode lists as the mode list logic hands them over; the first native mode is the one named.
    std::map<DisplayId, std::vector<ModeInfo>> modes;
    modes[3] = {mode(8, 2880, 1800, 2880, 1800, 60), mode(9, 5120, 2880, 5120, 2880, 60, true)};
    modes[1] = {mode(9, 3024, 1964, 3024, 1964, 120, true)};  // built-in: no native line
    modes[20] = {mode(4, 1920, 1080, 1920, 1080, 60), mode(5, 3840, 2160, 3840, 2160, 30, true),
                 mode(6, 1280, 720, 1280, 720, 60, true)};
    const QString title = QStringLiteral("LUMENOR \u2014 Display report\n\n");
    const DisplayInfo xwayland =
        display(4, "XWAYLAND0", false, mode(1, 1920, 1080, 1920, 1080, 60));
    const QString xwaylandBlock = QStringLiteral(
        "\u2022 XWAYLAND0 [external]\n"
        "  number:  4\n"
        "  current: 1920\u00d71080 px  (1920\u00d71080 pt, 1:1) @ 60.00 Hz\n"
        "  depth:   8 bits a channel\n");
    struct Case {
        std::vector<DisplayInfo> displays;
        QString expected;
        bool throughXwayland = false;
    };
    const Case cases[] = {
        {{}, QStringLiteral("LUMENOR \u2014 Display report\n")},
        {{display(3, "Studio 27", false, mode(1, 2880, 1800, 1440, 900, 59.94), {527, 296},
                  "DP-1")},
         title + "\u2022 Studio 27 [external]\n"
                 "  number:  3 on DP-1\n"
                 "  current: 2880\u00d71800 px  (1440\u00d7900 pt, scaled) @ 59.94 Hz\n"
                 "  depth:   8 bits a channel\n"
                 "  native:  5120\u00d72880 px\n  dpi:     ~138\n"},
        {{display(1, "Built-in Display", true, mode(2, 3024, 1964, 1512, 982, 120), {302, 196})},
         title + "\u2022 Built-in Display [built-in]\n"
                 "  number:  1\n"
                 "  current: 3024\u00d71964 px  (1512\u00d7982 pt, scaled) @ 120.00 Hz\n"
                 "  depth:   8 bits a channel\n"
                 "  dpi:     ~254\n"},
        {{display(20, "B", false, mode(4, 1920, 1080, 1920, 1080, 60)),
          display(10, "A", true, mode(1, 1280, 800, 1280, 800, 59.999))},
         title + "\u2022 B [external]\n"
                 "  number:  20\n"
                 "  current: 1920\u00d71080 px  (1920\u00d71080 pt, 1:1) @ 60.00 Hz\n"
                 "  depth:   8 bits a channel\n"
                 "  native:  3840\u00d72160 px\n\n"
                 "\u2022 A [built-in]\n"
                 "  number:  10\n"
                 "  current: 1280\u00d7800 px  (1280\u00d7800 pt, 1:1) @ 60.00 Hz\n"
                 "  depth:   8 bits a channel\n"},
        // No rate and no native mode: none of their lines. 1000 px over 254 mm is 100 dpi
        // exactly, not 99.
        {{tenBits(display(7, "C", false, mode(1, 1000, 10, 1000, 10, 0), {254, 1}))},
         title + "\u2022 C [external]\n  number:  7\n  current: 1000\u00d710 px  (1000\u00d710 pt, "
                 "1:1)\n"
                 "  depth:   10 bits a channel\n"
                 "  dpi:     ~100\n"},
        {{xwayland, xwayland},
         title + waylandDesktopNote() + "\n\n" + xwaylandBlock + "\n" + xwaylandBlock,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        EXPECT_EQ(buildReport(
                      c.displays, [&](DisplayId id) { return modes[id]; }, c.throughXwayland),
                  c.expected);
    }
}

// A 1920 × 1080 panel, 527 × 296 mm, turned to portrait: described as it stands, its density
// stays that of the panel and its current mode is the one its list marks current.
TEST(DisplayReport, APortraitHeadHasThePanelsDensityAndItsCurrentModeListed) {
    const ModeInfo fullHd = mode(7, 1920, 1080, 1920, 1080, 60);
    auto platform = std::make_unique<FakeDisplayPlatform>();
    platform->displays = {{40, fullHd, false, {527, 296}, true}};
    DisplayService service(std::move(platform));
    service.refresh();
    FakeModePlatform modePlatform;
    modePlatform.displays[40] = {std::vector<ModeInfo>{mode(8, 1280, 720, 1280, 720, 60), fullHd},
                                 7, true};

    EXPECT_EQ(buildReport(service.displays(),
                          [&](DisplayId id) { return modesForDisplay(modePlatform, id); }),
              QStringLiteral("LUMENOR \u2014 Display report\n\n\u2022 Display 40 [external]\n"
                             "  number:  40\n"
                             "  current: 1080\u00d71920 px  (1080\u00d71920 pt, 1:1) @ 60.00 Hz\n"
                             "  depth:   8 bits a channel\n"
                             "  native:  1080\u00d71920 px\n  dpi:     ~92\n"));

    const std::vector<ModeInfo> list = modesForDisplay(modePlatform, 40);
    const auto current =
        std::find_if(list.begin(), list.end(), [](const ModeInfo& m) { return m.isCurrent; });
    ASSERT_NE(current, list.end());
    const ModeInfo& shown = service.displays().front().currentMode;
    EXPECT_EQ(current->id, shown.id);
    EXPECT_EQ(
        std::make_tuple(current->pixelWidth, current->pixelHeight, current->pointWidth,
                        current->pointHeight),
        std::make_tuple(shown.pixelWidth, shown.pixelHeight, shown.pointWidth, shown.pointHeight));
}

}  // namespace
}  // namespace lumenor
