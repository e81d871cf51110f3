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
    const auto with = [&](int at, char byte) { return QByteArray(good).replace(at, 1, &byte, 1); };
    // Short, empty, a bad header, an unspecified-text descriptor, a detailed timing (its bytes
    // are no text), a blank name.
    for (const QByteArray& edid :
         {good.left(127), QByteArray(), with(1, 0), with(54 + 3, static_cast<char>(0xFE)),
          with(54, 0x3A), XorgTestbed::edidWithName("   ")}) {
        EXPECT_EQ(edidMonitorName(edid), std::nullopt) << edid.toHex().toStdString();
    }
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
