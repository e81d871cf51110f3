#include <gtest/gtest.h>

#include <QJsonObject>

#include <algorithm>

#include "displays/display_modes.h"
#include "displays/fake_mode_platform.h"

namespace lumenor {
namespace {

constexpr DisplayId kDisplay = 5;

ModeInfo mode(std::int32_t id, std::int64_t w, std::int64_t h, double hz, std::int64_t pw = 0,
              std::int64_t ph = 0) {
    ModeInfo m;
    m.id = id;
    m.pixelWidth = w;
    m.pixelHeight = h;
    m.pointWidth = pw != 0 ? pw : w;
    m.pointHeight = ph != 0 ? ph : h;
    m.refreshHz = hz;
    return m;
}

std::vector<std::int32_t> ids(const std::vector<ModeInfo>& list) {
    std::vector<std::int32_t> out;
    for (const ModeInfo& m : list) {
        out.push_back(m.id);
    }
    return out;
}

class DisplayModesTest : public ::testing::Test {
  protected:
    void setModes(std::vector<ModeInfo> modes, std::optional<std::int32_t> current) {
        fake.displays[kDisplay] = {std::move(modes), current};
    }
    std::vector<ModeInfo> list() { return modesForDisplay(fake, kDisplay); }

    FakeModePlatform fake;
};

TEST_F(DisplayModesTest, NoModesOrAFailingQueryGiveAnEmptyList) {
    setModes({}, std::nullopt);
    EXPECT_TRUE(list().empty());
    fake.displays[kDisplay].modes.reset();
    EXPECT_TRUE(list().empty());
    EXPECT_TRUE(modesForDisplay(fake, 999).empty());
}

TEST_F(DisplayModesTest, SortsByWidthThenHeightThenRateStably) {
    setModes({mode(1, 1280, 720, 60), mode(2, 1920, 1080, 50), mode(3, 1920, 1200, 60),
              mode(4, 1920, 1080, 60), mode(5, 3840, 2160, 30), mode(6, 1920, 1080, 59.94),
              mode(7, 1920, 1080, 60, 960, 540)},
             std::nullopt);
    // 4 and 7 share every sort key; they keep the platform's order.
    EXPECT_EQ(ids(list()), (std::vector<std::int32_t>{5, 3, 4, 7, 6, 2, 1}));
}

TEST_F(DisplayModesTest, RatesThatDifferOnlySlightlyBothStayFasterFirst) {
    setModes({mode(1, 1920, 1080, 59.94), mode(2, 1920, 1080, 60)}, 1);
    const auto l = list();
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[0].id, 2);
    EXPECT_DOUBLE_EQ(l[0].refreshHz, 60);
    EXPECT_EQ(l[1].id, 1);
    EXPECT_DOUBLE_EQ(l[1].refreshHz, 59.94);
    EXPECT_TRUE(l[1].isCurrent);
    EXPECT_FALSE(l[0].isCurrent);
}

TEST_F(DisplayModesTest, DuplicatesDifferingInPointHeightOrNumberAppearOnceAsTheFirst) {
    setModes(
        {mode(10, 1920, 1080, 60), mode(11, 1920, 1080, 60, 1920, 1000), mode(12, 1920, 1080, 60)},
        std::nullopt);
    EXPECT_EQ(ids(list()), (std::vector<std::int32_t>{10}));
}

TEST_F(DisplayModesTest, ScaledAndUnscaledOfOnePixelSizeBothAppearInPlatformOrder) {
    setModes({mode(1, 2880, 1800, 60, 1440, 900), mode(2, 2880, 1800, 60)}, std::nullopt);
    EXPECT_EQ(ids(list()), (std::vector<std::int32_t>{1, 2}));
    setModes({mode(2, 2880, 1800, 60), mode(1, 2880, 1800, 60, 1440, 900)}, std::nullopt);
    EXPECT_EQ(ids(list()), (std::vector<std::int32_t>{2, 1}));
}

TEST_F(DisplayModesTest, OnlyTheFirstOfTheLargestModesIsNative) {
    setModes({mode(1, 1920, 1080, 60), mode(2, 2560, 1440, 60), mode(3, 1440, 2560, 60),
              mode(4, 2560, 1440, 50), mode(5, 1280, 720, 60)},
             std::nullopt);
    int natives = 0;
    for (const ModeInfo& m : list()) {
        natives += m.isNative ? 1 : 0;
        EXPECT_EQ(m.isNative, m.id == 2) << m.id;
    }
    EXPECT_EQ(natives, 1);
}

TEST_F(DisplayModesTest, NativeIsTheFirstModeWhenNothingIsLarger) {
    setModes({mode(8, 1280, 720, 60), mode(9, 720, 1280, 60)}, std::nullopt);
    const auto l = list();
    ASSERT_EQ(l.size(), 2u);
    EXPECT_TRUE(l[0].id == 8 && l[0].isNative);
    EXPECT_FALSE(l[1].isNative);
}

TEST_F(DisplayModesTest, CurrentIsMarkedAndAbsentWithoutAReadableCurrentMode) {
    setModes({mode(1, 1920, 1080, 60), mode(2, 1280, 720, 60)}, 2);
    auto l = list();
    EXPECT_FALSE(l[0].isCurrent);
    EXPECT_TRUE(l[1].isCurrent);
    setModes({mode(1, 1920, 1080, 60), mode(2, 1280, 720, 60)}, std::nullopt);
    l = list();
    EXPECT_EQ(std::count_if(l.begin(), l.end(), [](const ModeInfo& m) { return m.isCurrent; }), 0);
}

TEST_F(DisplayModesTest, ACurrentModeThatIsALaterDuplicateLeavesNoCurrentEntry) {
    setModes({mode(1, 1920, 1080, 60), mode(2, 1920, 1080, 60)}, 2);
    const auto l = list();
    ASSERT_EQ(l.size(), 1u);
    EXPECT_EQ(l[0].id, 1);
    EXPECT_FALSE(l[0].isCurrent);
}

TEST_F(DisplayModesTest, ADroppedDuplicateDoesNotLendItsNativeMark) {
    // 3 is the first of the largest; its twin 4 is dropped and 3 keeps its own marks.
    setModes({mode(1, 1280, 720, 60), mode(3, 1920, 1080, 60), mode(4, 1920, 1080, 60)}, 4);
    const auto l = list();
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[0].id, 3);
    EXPECT_TRUE(l[0].isNative);
    EXPECT_FALSE(l[0].isCurrent);
}

TEST(ModeInfoJson, HasExactlyTheKeysAndScaledFollowsTheWidths) {
    ModeInfo m = mode(-7, 2880, 1800, 59.94, 1440, 900);
    m.isCurrent = true;
    const QJsonObject o = m.toJson();
    EXPECT_EQ(o.keys(), (QStringList{"id", "isCurrent", "isNative", "pixelHeight", "pixelWidth",
                                     "pointHeight", "pointWidth", "refreshHz", "scaled"}));
    EXPECT_EQ(o["id"].toInteger(), -7);
    EXPECT_EQ(o["pixelWidth"].toInteger(), 2880);
    EXPECT_EQ(o["pointHeight"].toInteger(), 900);
    EXPECT_DOUBLE_EQ(o["refreshHz"].toDouble(), 59.94);
    EXPECT_TRUE(o["isCurrent"].toBool());
    EXPECT_FALSE(o["isNative"].toBool(true));
    EXPECT_TRUE(o["scaled"].toBool());
    // Only the widths decide "scaled".
    EXPECT_FALSE(mode(1, 1920, 1080, 60, 1920, 540).toJson()["scaled"].toBool(true));
}

TEST(ModeInfoEquality, ComparesAndHashesTheNumberAlone) {
    const ModeInfo a = mode(3, 1920, 1080, 60);
    const ModeInfo b = mode(3, 640, 480, 30);
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::hash<ModeInfo>{}(a), std::hash<ModeInfo>{}(b));
    EXPECT_FALSE(a == mode(4, 1920, 1080, 60));
}

class ApplyDisplayModeTest : public DisplayModesTest {
  protected:
    void SetUp() override { setModes({mode(1, 1920, 1080, 60), mode(2, 1280, 720, 60)}, 1); }
};

TEST_F(ApplyDisplayModeTest, OneTransactionWithTheRequestedScope) {
    EXPECT_TRUE(
        applyDisplayMode(fake, kDisplay, mode(2, 1280, 720, 60), ConfigureScope::forAppOnly));
    EXPECT_EQ(fake.begins, 1);
    EXPECT_EQ(fake.configures, 1);
    ASSERT_EQ(fake.applied.size(), 1u);
    EXPECT_EQ(fake.applied[0].display, kDisplay);
    EXPECT_EQ(fake.applied[0].modeId, 2);
    EXPECT_EQ(fake.applied[0].scope, ConfigureScope::forAppOnly);
    EXPECT_EQ(fake.currentMode(kDisplay)->id, 2);

    EXPECT_TRUE(
        applyDisplayMode(fake, kDisplay, mode(1, 1920, 1080, 60), ConfigureScope::permanently));
    EXPECT_EQ(fake.applied.back().scope, ConfigureScope::permanently);
}

TEST_F(ApplyDisplayModeTest, AFailingBeginConfiguresNothing) {
    fake.failBegin = true;
    EXPECT_FALSE(
        applyDisplayMode(fake, kDisplay, mode(2, 1280, 720, 60), ConfigureScope::forAppOnly));
    EXPECT_EQ(fake.begins, 1);
    EXPECT_EQ(fake.configures, 0);
    EXPECT_TRUE(fake.applied.empty());
    EXPECT_EQ(fake.currentMode(kDisplay)->id, 1);
}

TEST_F(ApplyDisplayModeTest, AFailingCompletionReportsFailure) {
    fake.failComplete = true;
    EXPECT_FALSE(
        applyDisplayMode(fake, kDisplay, mode(2, 1280, 720, 60), ConfigureScope::permanently));
    EXPECT_EQ(fake.configures, 1);
    EXPECT_EQ(fake.currentMode(kDisplay)->id, 1);
}

}  // namespace
}  // namespace lumenor
