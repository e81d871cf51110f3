#include <gtest/gtest.h>

#include "app/platform_choice.h"

namespace lumenor {
namespace {

TEST(PlatformChoice, GnomeOnWaylandRunsNativelyEverythingElseOnX11UnlessOverridden) {
    int asked = 0;
    const auto offers = [&](bool answer) {
        return [&asked, answer] {
            ++asked;
            return answer;
        };
    };
    EXPECT_EQ(choosePlatform("", true, offers(true)).backend, WindowingBackend::gnomeWayland);
    EXPECT_EQ(choosePlatform("", true, offers(false)).backend, WindowingBackend::x11);
    EXPECT_EQ(choosePlatform("", false, offers(true)).backend, WindowingBackend::x11);
    EXPECT_EQ(asked, 2) << "the bus is asked only on a Wayland session";

    const PlatformChoice x11 = choosePlatform("x11", true, offers(true));
    EXPECT_EQ(x11.backend, WindowingBackend::x11);
    EXPECT_TRUE(x11.overridden);
    EXPECT_EQ(choosePlatform("wayland", false, offers(false)).backend,
              WindowingBackend::gnomeWayland);
    EXPECT_FALSE(choosePlatform("", true, offers(false)).reason.isEmpty());
}

}  // namespace
}  // namespace lumenor
