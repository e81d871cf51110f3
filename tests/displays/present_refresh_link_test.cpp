#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "displays/present_refresh_link.h"
#include "support/xorg_testbed.h"

namespace lumenor {
namespace {

using test::XServerTest;

class PresentLinkTest : public XServerTest {
  protected:
    PresentRefreshLinkFactory factory() const {
        return PresentRefreshLinkFactory(x().displayName().toLocal8Bit());
    }
};

// Each link keeps to its own display's refreshes: DUMMY0 runs at 60 Hz, DUMMY1 at 50. That a
// link ticks once a refresh is counted through the output (OutputController's
// AnimatedOutputTicksOncePerRefresh) and the meter's idle reports (OutputAtDepth).
TEST_F(PresentLinkTest, EachActiveDisplaysLinkStampsItsOwnRefreshesUntilItIsGone) {
    ASSERT_TRUE(x().plug("DUMMY1", "1920x1080_50"));
    std::atomic<int> ticks{0};
    std::atomic<std::int64_t> scale{0};
    std::atomic<std::int64_t> period{0};
    std::atomic<std::int64_t> otherPeriod{0};
    auto links = factory();
    auto link =
        links.create(static_cast<DisplayId>(x().outputId("DUMMY0")), [&](const RefreshStamp& s) {
            scale = s.timeScale;
            period = s.refreshPeriod;
            ++ticks;
        });
    auto other = links.create(static_cast<DisplayId>(x().outputId("DUMMY1")),
                              [&](const RefreshStamp& s) { otherPeriod = s.refreshPeriod; });
    ASSERT_TRUE(link && other);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    link.reset();
    EXPECT_EQ(scale.load(), 1'000'000);
    EXPECT_EQ(period.load(), 16'667);
    EXPECT_EQ(otherPeriod.load(), 20'000);

    // The link is gone: nothing more arrives.
    const int seen = ticks.load();
    EXPECT_GT(seen, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(ticks.load(), seen);
    // None for a display that is not active, or on no server.
    EXPECT_EQ(links.create(static_cast<DisplayId>(x().outputId("DUMMY7")), [](const auto&) {}),
              nullptr);
    EXPECT_EQ(PresentRefreshLinkFactory(":9999").create(std::nullopt, [](const auto&) {}), nullptr);
}

}  // namespace
}  // namespace lumenor
