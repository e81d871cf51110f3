#include <gtest/gtest.h>

#include <QCoreApplication>

#include "patterns/display_link_animator.h"
#include "support/manual_refresh_links.h"

namespace lumenor {
namespace {

using test::ManualLinks;

TEST(DisplayLinkAnimator, EveryRefreshPostsOneTick) {
    ManualLinks links;
    DisplayLinkAnimator animator(links);
    int ticks = 0;
    animator.onTick = [&] { ++ticks; };
    animator.start(3u);
    ASSERT_TRUE(animator.isRunning());
    EXPECT_EQ(animator.currentDisplay(), 3u);
    links.refreshes(5);
    EXPECT_EQ(ticks, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(ticks, 5);
}

TEST(DisplayLinkAnimator, KeepsALinkOnTheSameDisplayMovesToAnotherAndStopsWithoutOne) {
    ManualLinks links;
    DisplayLinkAnimator animator(links);
    animator.start(3u);
    animator.start(3u);
    EXPECT_EQ(links.created, 1);
    animator.start(std::nullopt);
    EXPECT_EQ(links.created, 2);
    EXPECT_EQ(links.lastDisplay, std::nullopt);
    EXPECT_TRUE(animator.isRunning());
    animator.start(std::nullopt);
    EXPECT_EQ(links.created, 2);
    animator.start(4u);
    EXPECT_EQ(links.created, 3);
    animator.stop();
    EXPECT_FALSE(animator.isRunning());
    EXPECT_EQ(animator.currentDisplay(), std::nullopt);
    EXPECT_EQ(links.live, nullptr);

    links.refuse = true;
    animator.start(1u);
    EXPECT_FALSE(animator.isRunning());
    EXPECT_EQ(animator.currentDisplay(), std::nullopt);
}

TEST(DisplayLinkAnimator, TicksPostedBeforeItDiesAreDropped) {
    ManualLinks links;
    int ticks = 0;
    {
        DisplayLinkAnimator animator(links);
        animator.onTick = [&] { ++ticks; };
        animator.start(1u);
        links.refreshes(3);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(ticks, 0);
}

}  // namespace
}  // namespace lumenor
