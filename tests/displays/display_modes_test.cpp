#include <gtest/gtest.h>

#include <string>

#include "displays/display_modes.h"
#include "displays/fake_mode_platform.h"
#include "support/mode_info.h"

namespace lumenor {
namespace {

constexpr DisplayId kDisplay = 5;

using test::mode;

class DisplayModesTest : public ::testing::Test {
  protected:
    void setModes(std::vector<ModeInfo> modes, std::optional<std::int32_t> current) {
        fake.displays[kDisplay] = {std::move(modes), current};
    }

    FakeModePlatform fake;
};

// The list as "id" per mode, "n" after the native one and "c" after the current one.
std::string marks(const std::vector<ModeInfo>& list) {
    std::string out;
    for (const ModeInfo& m : list) {
        out += (out.empty() ? "" : " ") + std::to_string(m.id) + (m.isNative ? "n" : "") +
               (m.isCurrent ? "c" : "");
    }
    return out;
}

// Sorted by width, then height, then rate, all falling; a mode equal to an earlier one in
// pixels, point width and rate is left out; the first of the largest in the platform's order
// is native.
TEST_F(DisplayModesTest, SortsDeduplicatesAndMarksOneNativeAndTheCurrentOrIsEmpty) {
    const std::optional<std::int32_t> none;
    // No modes, a failing query or no such display: an empty list.
    setModes({}, none);
    EXPECT_TRUE(modesForDisplay(fake, kDisplay).empty());
    EXPECT_TRUE(modesForDisplay(fake, 999).empty());
    fake.displays[kDisplay].modes.reset();
    EXPECT_TRUE(modesForDisplay(fake, kDisplay).empty());
    const auto listed = [&](std::vector<ModeInfo> modes, std::optional<std::int32_t> current) {
        setModes(std::move(modes), current);
        return marks(modesForDisplay(fake, kDisplay));
    };
    // 4 and 7 share every sort key: they keep the platform's order.
    EXPECT_EQ(listed({mode(1, 1280, 720, 60), mode(2, 1920, 1080, 50), mode(3, 1920, 1200, 60),
                      mode(4, 1920, 1080, 60), mode(5, 3840, 2160, 30), mode(6, 1920, 1080, 59.94),
                      mode(7, 1920, 1080, 60, 960, 540)},
                     none),
              "5n 3 4 7 6 2 1");
    // Rates that differ only slightly both stay; the native one is the platform's first.
    EXPECT_EQ(listed({mode(1, 1920, 1080, 59.94), mode(2, 1920, 1080, 60)}, 1), "2 1nc");
    // Duplicates differing in point height or number appear once, as the first.
    EXPECT_EQ(listed({mode(10, 1920, 1080, 60), mode(11, 1920, 1080, 60, 1920, 1000),
                      mode(12, 1920, 1080, 60)},
                     none),
              "10n");
    // Scaled and unscaled of one pixel size both stay, in the platform's order.
    EXPECT_EQ(listed({mode(1, 2880, 1800, 60, 1440, 900), mode(2, 2880, 1800, 60)}, 2), "1n 2c");
    EXPECT_EQ(listed({mode(2, 2880, 1800, 60), mode(1, 2880, 1800, 60, 1440, 900)}, none), "2n 1");
    // Only the first of the largest is native; the first is native when nothing is larger.
    EXPECT_EQ(listed({mode(1, 1920, 1080, 60), mode(2, 2560, 1440, 60), mode(3, 1440, 2560, 60),
                      mode(4, 2560, 1440, 50), mode(5, 1280, 720, 60)},
                     none),
              "2n 4 1 3 5");
    EXPECT_EQ(listed({mode(8, 1280, 720, 60), mode(9, 720, 1280, 60)}, 9), "8n 9c");
    // A current mode that is a dropped duplicate leaves no current entry and lends no mark.
    EXPECT_EQ(listed({mode(1, 1920, 1080, 60), mode(2, 1920, 1080, 60)}, 2), "1n");
    EXPECT_EQ(listed({mode(1, 1280, 720, 60), mode(3, 1920, 1080, 60), mode(4, 1920, 1080, 60)}, 4),
              "3n 1");
}

TEST_F(DisplayModesTest, ApplyingIsOneTransactionAndAFailedStepChangesNothing) {
    setModes({mode(1, 1920, 1080, 60), mode(2, 1280, 720, 60)}, 1);
    fake.failBegin = true;
    EXPECT_FALSE(
        applyDisplayMode(fake, kDisplay, mode(2, 1280, 720, 60), ConfigureScope::forAppOnly));
    EXPECT_EQ(fake.begins, 1);
    EXPECT_EQ(fake.configures, 0);
    fake.failBegin = false;
    fake.failComplete = true;
    EXPECT_FALSE(
        applyDisplayMode(fake, kDisplay, mode(2, 1280, 720, 60), ConfigureScope::permanently));
    EXPECT_EQ(fake.configures, 1);
    EXPECT_EQ(fake.currentMode(kDisplay)->id, 1);

    fake.failComplete = false;
    EXPECT_TRUE(
        applyDisplayMode(fake, kDisplay, mode(2, 1280, 720, 60), ConfigureScope::forAppOnly));
    EXPECT_EQ(fake.begins, 3);
    EXPECT_EQ(fake.configures, 2);
    ASSERT_EQ(fake.applied.size(), 1u);
    EXPECT_EQ(fake.applied[0].display, kDisplay);
    EXPECT_EQ(fake.applied[0].modeId, 2);
    EXPECT_EQ(fake.applied[0].scope, ConfigureScope::forAppOnly);
    EXPECT_EQ(fake.currentMode(kDisplay)->id, 2);
    EXPECT_TRUE(
        applyDisplayMode(fake, kDisplay, mode(1, 1920, 1080, 60), ConfigureScope::permanently));
    EXPECT_EQ(fake.applied.back().scope, ConfigureScope::permanently);
}

}  // namespace
}  // namespace lumenor
