#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "app/display_report.h"
#include "displays/display_modes.h"
#include "displays/display_service.h"
#include "displays/fake_display_platform.h"
#include "displays/fake_mode_platform.h"

namespace lumenor {
namespace {

ModeInfo mode(std::int32_t id, std::int64_t w, std::int64_t h, std::int64_t pw, std::int64_t ph,
              double hz) {
    ModeInfo m;
    m.id = id;
    m.pixelWidth = w;
    m.pixelHeight = h;
    m.pointWidth = pw;
    m.pointHeight = ph;
    m.refreshHz = hz;
    return m;
}

DisplayInfo display(DisplayId id, const QString& name, bool builtin, ModeInfo current,
                    PhysicalSize size = {}) {
    DisplayInfo d;
    d.id = id;
    d.name = name;
    d.isBuiltin = builtin;
    d.currentMode = std::move(current);
    d.physicalSizeMM = size;
    return d;
}

// A mode list per display, as the mode list logic would hand it over.
struct Modes {
    std::map<DisplayId, std::vector<ModeInfo>> byDisplay;
    std::vector<DisplayId> asked;
    std::vector<ModeInfo> operator()(DisplayId id) {
        asked.push_back(id);
        return byDisplay[id];
    }
};

QString report(const std::vector<DisplayInfo>& displays, Modes& modes) {
    return buildReport(displays, [&](DisplayId id) { return modes(id); });
}

TEST(DisplayReport, NoDisplaysIsTheTitleAndOneLineFeed) {
    Modes modes;
    EXPECT_EQ(report({}, modes), QStringLiteral("LUMENOR \u2014 Display report\n"));
}

TEST(DisplayReport, AWaylandDesktopIsNamedOnceUnderTheTitle) {
    Modes modes;
    const DisplayInfo d = display(4, "XWAYLAND0", false, mode(1, 1920, 1080, 1920, 1080, 60));
    const QString text = buildReport(
        {d, d}, [&](DisplayId id) { return modes(id); }, true);
    EXPECT_TRUE(text.startsWith(QStringLiteral("LUMENOR \u2014 Display report\n\n") +
                                waylandDesktopNote() + QStringLiteral("\n\n\u2022 XWAYLAND0")))
        << text.toStdString();
    EXPECT_EQ(text.count(waylandDesktopNote()), 1);
    EXPECT_FALSE(report({d}, modes).contains(waylandDesktopNote()));
}

TEST(DisplayReport, ExternalScaledDisplayWithRateNativeAndDpi) {
    Modes modes;
    ModeInfo native = mode(9, 5120, 2880, 5120, 2880, 60);
    native.isNative = true;
    ModeInfo notNative = mode(8, 2880, 1800, 2880, 1800, 60);
    modes.byDisplay[3] = {notNative, native};
    const QString text = report(
        {display(3, "Studio 27", false, mode(1, 2880, 1800, 1440, 900, 59.94), {527, 296})}, modes);
    EXPECT_EQ(text, QStringLiteral("LUMENOR \u2014 Display report\n"
                                   "\n"
                                   "\u2022 Studio 27 [external]\n"
                                   "  current: 2880\u00d71800 px  (1440\u00d7900 pt, scaled) @ "
                                   "59.94 Hz\n"
                                   "  native:  5120\u00d72880 px\n"
                                   "  dpi:     ~138\n"));
}

TEST(DisplayReport, OneToOneWithoutRateAndWithoutDpi) {
    Modes modes;
    const QString text =
        report({display(4, "DUMMY1", false, mode(1, 1920, 1080, 1920, 1080, 0))}, modes);
    EXPECT_EQ(text, QStringLiteral("LUMENOR \u2014 Display report\n\n"
                                   "\u2022 DUMMY1 [external]\n"
                                   "  current: 1920\u00d71080 px  (1920\u00d71080 pt, 1:1)\n"));
}

TEST(DisplayReport, DpiIsTruncatedTowardZero) {
    Modes modes;
    // 1920 / (527 / 25.4) = 92.53...
    const QString text =
        report({display(4, "A", false, mode(1, 1920, 1080, 1920, 1080, 60), {527, 296})}, modes);
    EXPECT_TRUE(text.endsWith(QStringLiteral("\n  dpi:     ~92\n"))) << text.toStdString();
    // 1000 / (254 / 25.4) = 100 exactly; 999 / 10 = 99.9 gives 99.
    EXPECT_TRUE(report({display(4, "A", false, mode(1, 1000, 10, 1000, 10, 60), {254, 1})}, modes)
                    .endsWith(QStringLiteral("~100\n")));
    EXPECT_TRUE(report({display(4, "A", false, mode(1, 999, 10, 999, 10, 60), {254, 1})}, modes)
                    .endsWith(QStringLiteral("~99\n")));
}

TEST(DisplayReport, BuiltInDisplayHasNoNativeLineEvenWhenItsModesMarkOne) {
    Modes modes;
    ModeInfo native = mode(9, 3024, 1964, 3024, 1964, 120);
    native.isNative = true;
    modes.byDisplay[1] = {native};
    const QString text = report(
        {display(1, "Built-in Display", true, mode(2, 3024, 1964, 1512, 982, 120), {302, 196})},
        modes);
    EXPECT_EQ(text, QStringLiteral("LUMENOR \u2014 Display report\n\n"
                                   "\u2022 Built-in Display [built-in]\n"
                                   "  current: 3024\u00d71964 px  (1512\u00d7982 pt, scaled) @ "
                                   "120.00 Hz\n"
                                   "  dpi:     ~254\n"));
    EXPECT_TRUE(modes.asked.empty());
}

TEST(DisplayReport, ExternalDisplayWithoutANativeModeHasNoNativeLine) {
    Modes modes;
    modes.byDisplay[6] = {mode(1, 1920, 1080, 1920, 1080, 60)};
    const QString text =
        report({display(6, "X", false, mode(1, 1920, 1080, 1920, 1080, 60))}, modes);
    EXPECT_FALSE(text.contains(QStringLiteral("native")));
    EXPECT_EQ(modes.asked, (std::vector<DisplayId>{6}));
}

TEST(DisplayReport, SeveralDisplaysInListOrderEachFollowedByAnEmptyLine) {
    Modes modes;
    ModeInfo native = mode(5, 3840, 2160, 3840, 2160, 30);
    native.isNative = true;
    ModeInfo laterNative = mode(6, 1280, 720, 1280, 720, 60);
    laterNative.isNative = true;
    modes.byDisplay[20] = {mode(4, 1920, 1080, 1920, 1080, 60), native, laterNative};
    const QString text = report({display(20, "B", false, mode(4, 1920, 1080, 1920, 1080, 60)),
                                 display(10, "A", true, mode(1, 1280, 800, 1280, 800, 59.999))},
                                modes);
    const QStringList lines = text.split(QLatin1Char('\n'));
    EXPECT_EQ(lines, (QStringList{"LUMENOR \u2014 Display report", "", "\u2022 B [external]",
                                  "  current: 1920\u00d71080 px  (1920\u00d71080 pt, 1:1) @ "
                                  "60.00 Hz",
                                  "  native:  3840\u00d72160 px", "", "\u2022 A [built-in]",
                                  "  current: 1280\u00d7800 px  (1280\u00d7800 pt, 1:1) @ "
                                  "60.00 Hz",
                                  ""}))
        << text.toStdString();
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

    const QStringList lines = buildReport(service.displays(), [&](DisplayId id) {
                                  return modesForDisplay(modePlatform, id);
                              }).split(QLatin1Char('\n'));
    EXPECT_EQ(lines,
              (QStringList{"LUMENOR \u2014 Display report", "", "\u2022 Display 40 [external]",
                           "  current: 1080\u00d71920 px  (1080\u00d71920 pt, 1:1) @ "
                           "60.00 Hz",
                           "  native:  1080\u00d71920 px", "  dpi:     ~92", ""}));

    const std::vector<ModeInfo> list = modesForDisplay(modePlatform, 40);
    const auto current =
        std::find_if(list.begin(), list.end(), [](const ModeInfo& m) { return m.isCurrent; });
    ASSERT_NE(current, list.end());
    const ModeInfo& shown = service.displays().front().currentMode;
    EXPECT_EQ(current->id, shown.id);
    EXPECT_EQ(std::make_pair(current->pixelWidth, current->pixelHeight),
              std::make_pair(shown.pixelWidth, shown.pixelHeight));
    EXPECT_EQ(std::make_pair(current->pointWidth, current->pointHeight),
              std::make_pair(shown.pointWidth, shown.pointHeight));
}

}  // namespace
}  // namespace lumenor
