#include <gtest/gtest.h>

#include "displays/edid.h"
#include "support/xorg_testbed.h"

namespace lumenor {
namespace {

using test::XorgTestbed;

TEST(Edid, MonitorNameIsReadFromItsDescriptor) {
    EXPECT_EQ(edidMonitorName(XorgTestbed::edidWithName("Studio 27")), "Studio 27");
    // Thirteen characters fill the descriptor with no terminator.
    EXPECT_EQ(edidMonitorName(XorgTestbed::edidWithName("ABCDEFGHIJKLM")), "ABCDEFGHIJKLM");

    // The name may sit in any of the four descriptors.
    QByteArray moved = XorgTestbed::edidWithName("Far Away");
    const QByteArray name = moved.mid(54, 18);
    moved.replace(54, 18, moved.mid(108, 18));
    moved.replace(108, 18, name);
    EXPECT_EQ(edidMonitorName(moved), "Far Away");
}

TEST(Edid, NoNameForShortBadOrNamelessBlocks) {
    const QByteArray good = XorgTestbed::edidWithName("Studio 27");
    EXPECT_EQ(edidMonitorName(good.left(127)), std::nullopt);
    EXPECT_EQ(edidMonitorName(QByteArray()), std::nullopt);
    QByteArray badHeader = good;
    badHeader[1] = 0;
    EXPECT_EQ(edidMonitorName(badHeader), std::nullopt);
    QByteArray nameless = good;
    nameless[54 + 3] = static_cast<char>(0xFE);  // an unspecified-text descriptor
    EXPECT_EQ(edidMonitorName(nameless), std::nullopt);
    QByteArray timing = good;
    timing[54] = 0x3A;  // a detailed timing: its bytes are no text
    EXPECT_EQ(edidMonitorName(timing), std::nullopt);
    EXPECT_EQ(edidMonitorName(XorgTestbed::edidWithName("   ")), std::nullopt);
}

// The monitor's name first; a built-in panel's connector says so, others are named by it.
TEST(Edid, ScreenNamesFallBackToBuiltinThenConnector) {
    const QByteArray named = XorgTestbed::edidWithName("Studio 27");
    for (const auto& [connector, edid, name] : {std::tuple{"eDP-1", named, "Studio 27"},
                                                {"eDP-1", QByteArray(), "Built-in Display"},
                                                {"LVDS1", QByteArray(), "Built-in Display"},
                                                {"DSI-1", QByteArray(), "Built-in Display"},
                                                {"HDMI-A-1", QByteArray(), "HDMI-A-1"},
                                                {"DP-2", QByteArray(), "DP-2"}}) {
        EXPECT_EQ(screenNameForOutput(connector, edid), name) << connector;
    }
}

}  // namespace
}  // namespace lumenor
