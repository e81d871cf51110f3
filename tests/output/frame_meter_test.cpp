#include <gtest/gtest.h>

#include <QCoreApplication>

#include <limits>
#include <vector>

#include "output/frame_cadence.h"
#include "output/frame_meter.h"
#include "support/manual_refresh_links.h"

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

// Steady refreshes report every thirty; a gap of three periods misses two, gaps round to the
// nearest slot, halves away, and the report after thirty clean refreshes is steady again.
TEST(FrameCadence, ReportsEveryThirtyRefreshesCountingAGapAsTheRefreshesItMissed) {
    FrameCadence c;
    std::vector<double> gaps(120, 1.0);
    gaps[40] = 3.0;
    gaps[73] = 1.4;   // late but within half a period: on time
    gaps[75] = 0.6;   // early: on time
    gaps[77] = 1.5;   // one missed
    gaps[79] = 2.49;  // one missed
    gaps[81] = 0.0;   // repeated time stamp: nothing
    gaps[83] = -4.0;  // backwards: nothing
    const auto reports = feed(c, gaps);
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[0], (FrameReport{60.0, 0, true}));
    EXPECT_EQ(reports[1], (FrameReport{60.0, 2, false}));
    EXPECT_EQ(reports[2], (FrameReport{60.0, 4, false}));
    EXPECT_EQ(reports[3], (FrameReport{60.0, 4, true}));
}

// A time stamp far out counts as many drops as an int holds, and one far back as none.
TEST(FrameCadence, ZeroPeriodOrScaleIsIgnoredAndWildTimeStampsDoNotOverflow) {
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
    c.step(std::numeric_limits<std::int64_t>::max(), kScale, 1);
    EXPECT_EQ(c.droppedTotal(), std::numeric_limits<int>::max());
    c.step(std::numeric_limits<std::int64_t>::min(), kScale, 1);
    EXPECT_EQ(c.droppedTotal(), std::numeric_limits<int>::max());
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

// Reports are posted from the link's thread to the main one, and those still posted when the
// meter dies are dropped; a new start counts from zero on a new link.
TEST(FrameMeter, ReportsOnTheMainThreadAndRestartsFromZero) {
    test::ManualLinks links;
    std::vector<FrameReport> reports;
    {
        FrameMeter meter(links);
        meter.onUpdate = [&](double hz, int dropped, bool steady) {
            reports.push_back({hz, dropped, steady});
        };
        meter.start(42);
        EXPECT_EQ(links.lastDisplay, 42u);
        // Counted once ten refreshes in a row have come on time.
        links.refreshes(11);
        links.refreshes(1, 4);
        links.refreshes(18);
        EXPECT_TRUE(reports.empty());
        QCoreApplication::processEvents();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0], (FrameReport{60.0, 3, false}));

        meter.start(7);
        EXPECT_EQ(links.created, 2);
        links.refreshes(30);
        QCoreApplication::processEvents();
        ASSERT_EQ(reports.size(), 2u);
        EXPECT_EQ(reports[1], (FrameReport{60.0, 0, true}));
        meter.stop();
        EXPECT_FALSE(meter.isRunning());
        EXPECT_EQ(links.live, nullptr);
        meter.start(7);
        links.refreshes(30);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(reports.size(), 2u);
    EXPECT_EQ(links.live, nullptr);
}

// No link, or a clock that is the server's and not the display's: nothing is counted.
TEST(FrameMeter, NoLinkOrAClockNotTheDisplaysMeansStoppedAndSilent) {
    test::ManualLinks refusing;
    refusing.refuse = true;
    FrameMeter none(refusing);
    none.onUpdate = [](double, int, bool) { FAIL() << "no report without a link"; };
    none.start(1);
    EXPECT_FALSE(none.isRunning());

    test::ManualLinks links;
    links.followsDisplayClock = false;
    FrameMeter meter(links);
    meter.onUpdate = [](double, int, bool) { FAIL() << "no counts from a clock of the server's"; };
    int unavailable = 0;
    meter.onTimingUnavailable = [&] { ++unavailable; };
    meter.start(1);
    EXPECT_FALSE(meter.isRunning());
    EXPECT_EQ(links.live, nullptr);
    EXPECT_EQ(unavailable, 1);
}

}  // namespace
}  // namespace lumenor
