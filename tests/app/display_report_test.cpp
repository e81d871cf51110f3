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

using test::mode;

ModeInfo native(ModeInfo m) {
    m.isNative = true;
    return m;
}

DisplayInfo display(DisplayId id, const QString& name, bool builtin, ModeInfo current,
                    PhysicalSize size = {}, const QString& connector = {}, int bits = 8) {
    DisplayInfo d;
    d.id = id;
    d.name = name;
    d.connector = connector;
    d.isBuiltin = builtin;
    d.currentMode = std::move(current);
    d.physicalSizeMM = size;
    d.bitsPerChannel = bits;
    return d;
}

TEST(DisplayReport, EachDisplayIsABlockInListOrder) {
    // Mode lists as the mode list logic hands them over; the first native mode is the one named.
    std::map<DisplayId, std::vector<ModeInfo>> modes;
    modes[3] = {mode(8, 2880, 1800), native(mode(9, 5120, 2880))};
    modes[1] = {native(mode(9, 3024, 1964, 120))};  // built-in: no native line
    modes[20] = {mode(4, 1920, 1080), native(mode(5, 3840, 2160, 30)), native(mode(6, 1280, 720))};
    const QString title = QStringLiteral("LUMENOR \u2014 Display report\n\n");
    // The Wayland notes' place is the Wayland command-line tests'.
    const std::pair<std::vector<DisplayInfo>, QString> cases[] = {
        {{}, QStringLiteral("LUMENOR \u2014 Display report\n")},
        {{display(3, "Studio 27", false, mode(1, 2880, 1800, 59.94, 1440, 900), {527, 296},
                  "DP-1")},
         title + "\u2022 Studio 27 [external]\n"
                 "  number:  3 on DP-1\n"
                 "  current: 2880\u00d71800 px  (1440\u00d7900 pt, scaled) @ 59.94 Hz\n"
                 "  depth:   8 bits a channel\n"
                 "  native:  5120\u00d72880 px\n  dpi:     ~138\n"},
        {{display(20, "B", false, mode(4, 1920, 1080)),
          display(1, "Built-in Display", true, mode(2, 3024, 1964, 119.999, 1512, 982),
                  {302, 196})},
         title + "\u2022 B [external]\n"
                 "  number:  20\n"
                 "  current: 1920\u00d71080 px  (1920\u00d71080 pt, 1:1) @ 60.00 Hz\n"
                 "  depth:   8 bits a channel\n"
                 "  native:  3840\u00d72160 px\n\n"
                 "\u2022 Built-in Display [built-in]\n"
                 "  number:  1\n"
                 "  current: 3024\u00d71964 px  (1512\u00d7982 pt, scaled) @ 120.00 Hz\n"
                 "  depth:   8 bits a channel\n"
                 "  dpi:     ~254\n"},
        // No rate and no native mode: none of their lines. 1000 px over 254 mm is 100 dpi
        // exactly, not 99.
        {{display(7, "C", false, mode(1, 1000, 10, 0), {254, 1}, {}, 10)},
         title + "\u2022 C [external]\n  number:  7\n"
                 "  current: 1000\u00d710 px  (1000\u00d710 pt, 1:1)\n"
                 "  depth:   10 bits a channel\n  dpi:     ~100\n"},
    };
    for (const auto& [displays, expected] : cases) {
        EXPECT_EQ(buildReport(displays, [&](DisplayId id) { return modes[id]; }), expected);
    }
}

// A 1920 × 1080 panel, 527 × 296 mm, turned to portrait: described as it stands, its density
// stays that of the panel and its current mode is the one its list marks current.
TEST(DisplayReport, APortraitHeadHasThePanelsDensityAndItsCurrentModeListed) {
    const ModeInfo fullHd = mode(7, 1920, 1080);
    auto platform = std::make_unique<FakeDisplayPlatform>();
    platform->displays = {{40, fullHd, false, {527, 296}, true}};
    DisplayService service(std::move(platform));
    service.refresh();
    FakeModePlatform modePlatform;
    modePlatform.displays[40] = {std::vector<ModeInfo>{mode(8, 1280, 720), fullHd}, 7, true};

    EXPECT_EQ(buildReport(service.displays(),
                          [&](DisplayId id) { return modesForDisplay(modePlatform, id); }),
              QStringLiteral("LUMENOR \u2014 Display report\n\n\u2022 Display 40 [external]\n"
                             "  number:  40\n"
                             "  current: 1080\u00d71920 px  (1080\u00d71920 pt, 1:1) @ 60.00 Hz\n"
                             "  depth:   8 bits a channel\n"
                             "  native:  1080\u00d71920 px\n  dpi:     ~92\n"));

    const std::vector<ModeInfo> list = modesForDisplay(modePlatform, 40);
    const auto current = std::ranges::find(list, true, &ModeInfo::isCurrent);
    ASSERT_NE(current, list.end());
    // Its pixels are the native line's above.
    const ModeInfo& shown = service.displays().front().currentMode;
    EXPECT_EQ(std::tuple(current->id, current->pointWidth, current->pointHeight),
              std::tuple(shown.id, shown.pointWidth, shown.pointHeight));
}

}  // namespace
}  // namespace lumenor
