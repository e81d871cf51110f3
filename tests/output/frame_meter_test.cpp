#include <gtest/gtest.h>

#include <QCoreApplication>

#include "output/frame_meter.h"
#include "support/manual_refresh_links.h"

namespace lumenor {
namespace {

using test::ManualLinks;

struct Report {
    double hz;
    int dropped;
    bool steady;
};

// Reports are posted from the link's thread to the main one, and those still posted when the
// meter dies are dropped; a new start counts from zero on a new link.
TEST(FrameMeter, ReportsOnTheMainThreadAndRestartsFromZero) {
    ManualLinks links;
    std::vector<Report> reports;
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
        EXPECT_DOUBLE_EQ(reports[0].hz, 60.0);
        EXPECT_EQ(reports[0].dropped, 3);

        meter.start(7);
        EXPECT_EQ(links.created, 2);
        links.refreshes(30);
        QCoreApplication::processEvents();
        ASSERT_EQ(reports.size(), 2u);
        EXPECT_EQ(reports[1].dropped, 0);
        EXPECT_TRUE(reports[1].steady);
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
    ManualLinks refusing;
    refusing.refuse = true;
    FrameMeter none(refusing);
    none.onUpdate = [](double, int, bool) { FAIL() << "no report without a link"; };
    none.start(1);
    EXPECT_FALSE(none.isRunning());

    ManualLinks links;
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
