#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

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

struct Recorder {
    std::mutex lock;
    std::vector<RefreshStamp> stamps;
    void add(const RefreshStamp& s) {
        const std::lock_guard<std::mutex> g(lock);
        stamps.push_back(s);
    }
    std::vector<RefreshStamp> copy() {
        const std::lock_guard<std::mutex> g(lock);
        return stamps;
    }
};

// Each link keeps to its own display's refreshes: DUMMY0 runs at 60 Hz, DUMMY1 at 50.
TEST_F(PresentLinkTest, TicksOncePerRefreshOfTheChosenDisplay) {
    ASSERT_TRUE(x().plug("DUMMY1", "1920x1080_50"));
    Recorder rec;
    std::atomic<std::int64_t> period{0};
    auto links = factory();
    auto link = links.create(static_cast<DisplayId>(x().outputId("DUMMY0")),
                             [&](const RefreshStamp& s) { rec.add(s); });
    auto other = links.create(static_cast<DisplayId>(x().outputId("DUMMY1")),
                              [&](const RefreshStamp& s) { period = s.refreshPeriod; });
    ASSERT_TRUE(link && other);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    link.reset();
    EXPECT_EQ(period.load(), 20'000);
    const auto stamps = rec.copy();
    // About 60 a second, each a later refresh than the last. A loaded machine may let the
    // server itself run late by a refresh now and then; more than a few is a fault.
    ASSERT_GT(stamps.size(), 100u);
    ASSERT_LT(stamps.size(), 130u);
    for (std::size_t i = 1; i < stamps.size(); ++i) {
        EXPECT_GT(stamps[i].counter, stamps[i - 1].counter) << i;
        EXPECT_GT(stamps[i].videoTime, stamps[i - 1].videoTime);
    }
    const std::uint64_t spanned = stamps.back().counter - stamps.front().counter + 1;
    EXPECT_LE(spanned - stamps.size(), 3u) << "refreshes skipped";
    EXPECT_EQ(stamps.front().timeScale, 1'000'000);
    EXPECT_EQ(stamps.front().refreshPeriod, 16'667);

    // The link is gone: nothing more arrives.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(rec.copy().size(), stamps.size());
}

TEST_F(PresentLinkTest, NoLinkForADisplayThatIsNotActive) {
    auto links = factory();
    EXPECT_EQ(links.create(static_cast<DisplayId>(x().outputId("DUMMY7")), [](const auto&) {}),
              nullptr);
    EXPECT_EQ(PresentRefreshLinkFactory(":9999").create(std::nullopt, [](const auto&) {}), nullptr);
}

}  // namespace
}  // namespace lumenor
