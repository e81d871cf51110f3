#include <gtest/gtest.h>

#include <QCoreApplication>

#include "patterns/display_link_animator.h"
#include "support/manual_refresh_links.h"

namespace lumenor {
namespace {

using test::ManualLinks;

// Ticks are posted to the main thread, one a refresh; those still posted when it dies are dropped.
TEST(DisplayLinkAnimator, EveryRefreshPostsOneTickAndNoneOutliveIt) {
    ManualLinks links;
    int ticks = 0;
    {
        DisplayLinkAnimator animator(links);
        animator.onTick = [&] { ++ticks; };
        animator.start(3u);
        ASSERT_TRUE(animator.isRunning());
        EXPECT_EQ(animator.currentDisplay(), 3u);
        links.refreshes(5);
        EXPECT_EQ(ticks, 0);
        QCoreApplication::processEvents();
        EXPECT_EQ(ticks, 5);
        links.refreshes(3);
    }
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

}  // namespace
}  // namespace lumenor
