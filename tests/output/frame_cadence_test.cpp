#include <gtest/gtest.h>

#include <vector>

#include "output/frame_cadence.h"

namespace lumenor {
namespace {

constexpr std::int32_t kScale = 60'000;
constexpr std::int64_t kPeriod = 1000;  // 60 Hz, and gaps of tenths are exact

// Feeds refreshes whose time stamps are `gaps` periods apart.
std::vector<FrameReport> feed(FrameCadence& c, const std::vector<double>& gaps) {
    std::vector<FrameReport> reports;
    double t = 5'000'000;
    for (const double g : gaps) {
        t += g * static_cast<double>(kPeriod);
        if (auto r = c.step(static_cast<std::int64_t>(t), kScale, kPeriod)) {
            reports.push_back(*r);
        }
    }
    return reports;
}

// Steady refreshes report every thirty; a gap of three periods misses two, and the report after
// the next thirty is steady again.
TEST(FrameCadence, ReportsEveryThirtyRefreshesCountingAGapAsTheRefreshesItMissed) {
    FrameCadence c;
    std::vector<double> gaps(90, 1.0);
    gaps[40] = 3.0;
    const auto reports = feed(c, gaps);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0], (FrameReport{60.0, 0, true}));
    EXPECT_EQ(reports[1], (FrameReport{60.0, 2, false}));
    EXPECT_EQ(reports[2], (FrameReport{60.0, 2, true}));
}

TEST(FrameCadence, GapsRoundToTheNearestSlotHalvesAway) {
    FrameCadence c;
    std::vector<double> gaps(30, 1.0);
    gaps[13] = 1.4;   // late but within half a period: on time
    gaps[15] = 0.6;   // early: on time
    gaps[17] = 1.5;   // one missed
    gaps[19] = 2.49;  // one missed
    gaps[21] = 0.0;   // repeated time stamp: nothing
    gaps[23] = -4.0;  // backwards: nothing
    const auto reports = feed(c, gaps);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].dropped, 2);
}

TEST(FrameCadence, ZeroPeriodOrScaleIsIgnoredAndDoesNotCount) {
    FrameCadence c;
    for (int i = 1; i <= 29; ++i) {
        ASSERT_FALSE(c.step(i * kPeriod, kScale, kPeriod));
    }
    EXPECT_FALSE(c.step(40 * kPeriod, kScale, 0));
    EXPECT_FALSE(c.step(40 * kPeriod, 0, kPeriod));
    EXPECT_FALSE(c.step(40 * kPeriod, kScale, -kPeriod));
    EXPECT_EQ(c.droppedTotal(), 0);
    const auto r = c.step(30 * kPeriod, kScale, kPeriod);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->dropped, 0);
}

TEST(FrameCadence, GapsWhileTheOutputAppearsCountNothingAndAResetStartsAfresh) {
    FrameCadence c;
    std::vector<double> gaps{1.0, 3.0, 1.0, 6.0};
    gaps.insert(gaps.end(), 10, 1.0);
    gaps.push_back(4.0);
    feed(c, gaps);
    EXPECT_EQ(c.droppedTotal(), 3);
    c.reset();
    EXPECT_EQ(c.droppedTotal(), 0);
    EXPECT_DOUBLE_EQ(c.nominalHz(), 60.0);
    // Never on time: counted from 2 s (120 periods) after the first stamp on.
    feed(c, std::vector<double>(90, 2.0));
    EXPECT_EQ(c.droppedTotal(), 29);
}

TEST(FrameCadence, WildTimeStampsDoNotOverflow) {
    FrameCadence c;
    c.step(1, kScale, 1);
    c.step(std::numeric_limits<std::int64_t>::max(), kScale, 1);
    EXPECT_EQ(c.droppedTotal(), std::numeric_limits<int>::max());
    c.step(std::numeric_limits<std::int64_t>::min(), kScale, 1);
    EXPECT_EQ(c.droppedTotal(), std::numeric_limits<int>::max());
}

}  // namespace
}  // namespace lumenor
