#include <gtest/gtest.h>

#include <QColor>

#include "support/nested_mutter.h"

namespace lumenor {
namespace {

// The bed the native GNOME tests stand on: its monitors answer over its private bus, take the
// modes they are given, and show their pixels in the nested window.
class NestedMutterBed : public test::NestedMutterTest {};

TEST_F(NestedMutterBed, ShowsTwoMonitorsThatTakeTheirModes) {
    const auto window = mutter().window();
    ASSERT_TRUE(window.has_value());
    EXPECT_EQ(window->geometry.size(), QSize(3840, 1080));
    EXPECT_FALSE(mutter().capture(QRect(0, 0, 3840, 1080)).isNull());

    ASSERT_TRUE(mutter().applyModes({{"LVDS1", "1280x720@60.000"}, {"LVDS2", "1920x1080@50.000"}}));
    EXPECT_EQ(mutter().currentMode("LVDS1"), "1280x720@60.000");
    EXPECT_EQ(mutter().currentMode("LVDS2"), "1920x1080@50.000");
}

TEST(HeadlessMutterBed, HasOneVirtualMonitor) {
    QString error;
    const auto bed = test::NestedMutter::start({}, &error, {.headlessMonitor = QSize(1280, 720)});
    ASSERT_TRUE(bed != nullptr) << error.toStdString();
    EXPECT_TRUE(bed->currentState().contains("'1280x720@60.000'"));
    EXPECT_FALSE(bed->window(0).has_value());
}

}  // namespace
}  // namespace lumenor
