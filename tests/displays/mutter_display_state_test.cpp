#include <gtest/gtest.h>

#include "displays/mutter_display_state.h"

namespace lumenor {
namespace {

MutterMonitor monitor(const QString& connector, const QString& currentId) {
    MutterMonitor m;
    m.spec = {connector, "Vendor", "Model", "1"};
    for (const auto& [id, w, h] :
         {std::tuple{"1920x1080@60.000", 1920, 1080}, std::tuple{"1280x720@60.000", 1280, 720}}) {
        m.modes.push_back({id, w, h, 60.0, id == currentId, false});
    }
    return m;
}

// Two monitors side by side, a third below the first; the second is turned a quarter.
MutterState threeMonitors() {
    MutterState s;
    s.layoutMode = 2;
    s.monitors = {monitor("A", "1920x1080@60.000"), monitor("B", "1920x1080@60.000"),
                  monitor("C", "1920x1080@60.000")};
    s.logicalMonitors = {{0, 0, 1.0, 0, true, {"A"}},
                         {1920, 0, 2.0, 1, false, {"B"}},
                         {0, 1080, 1.0, 0, false, {"C"}}};
    return s;
}

TEST(MutterDisplayState, ANewModeMovesTheMonitorsBeyondItAndKeepsEverythingElse) {
    const auto config = configWithMode(threeMonitors(), "A", "1280x720@60.000");
    ASSERT_TRUE(config.has_value());
    ASSERT_EQ(config->size(), 3U);
    EXPECT_EQ((*config)[0].monitors[0].modeId, "1280x720@60.000");
    EXPECT_TRUE((*config)[0].primary);
    EXPECT_EQ((*config)[1].x, 1280) << "the monitor to the right closes up";
    EXPECT_EQ((*config)[1].scale, 2.0);
    EXPECT_EQ((*config)[1].transform, 1U);
    EXPECT_EQ((*config)[1].monitors[0].modeId, "1920x1080@60.000");
    EXPECT_EQ((*config)[2].y, 720) << "the monitor below moves up";

    // The turned monitor's desktop is its mode's height wide: nothing lies right of it.
    const auto turned = configWithMode(threeMonitors(), "B", "1280x720@60.000");
    ASSERT_TRUE(turned.has_value());
    EXPECT_EQ((*turned)[0].x, 0);
    EXPECT_EQ((*turned)[2].y, 1080);

    EXPECT_FALSE(configWithMode(threeMonitors(), "A", "640x480@60.000").has_value());
    EXPECT_FALSE(configWithMode(threeMonitors(), "D", "1280x720@60.000").has_value());
}

TEST(MutterDisplayState, ADisplayNumberFollowsConnectorAndMonitor) {
    const MutterMonitorSpec a{"HDMI-1", "Vendor", "Model", "1"};
    EXPECT_EQ(mutterDisplayId(a), mutterDisplayId(a));
    EXPECT_NE(mutterDisplayId(a), mutterDisplayId({"HDMI-2", "Vendor", "Model", "1"}));
    EXPECT_NE(mutterDisplayId(a), mutterDisplayId({"HDMI-1", "Vendor", "Model", "2"}));
    EXPECT_GT(mutterDisplayId(a), 0U);
    EXPECT_LT(mutterDisplayId(a), 0x80000000U);
}

TEST(MutterDisplayState, PointsFollowTheScaleOnlyInALogicalLayout) {
    const MutterMonitor m = monitor("A", "1920x1080@60.000");
    const MutterLogicalMonitor scaled{0, 0, 1.5, 0, true, {"A"}};
    const ModeInfo logical = modeInfoFromMutter(m, 0, &scaled, 1);
    EXPECT_EQ(logical.id, 1);
    EXPECT_EQ(logical.pointWidth, 1280);
    EXPECT_EQ(logical.pixelWidth, 1920);
    EXPECT_TRUE(logical.isCurrent);
    EXPECT_EQ(modeInfoFromMutter(m, 1, &scaled, 2).pointWidth, 1280);
    EXPECT_EQ(modeInfoFromMutter(m, 0, &scaled, 2).pointWidth, 1920);
}

}  // namespace
}  // namespace lumenor
