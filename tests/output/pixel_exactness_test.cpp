#include <gtest/gtest.h>

#include "output/pixel_exactness.h"

namespace lumenor {

TEST(PixelExactnessTest, WholeScalesAreExactAndFractionalOnesAreSaid) {
    EXPECT_FALSE(notOneToOne({1920, 1080}, {1920, 1080}, 1.0).has_value());
    EXPECT_FALSE(notOneToOne({3840, 2160}, {1920, 1080}, 2.0).has_value());
    EXPECT_FALSE(notOneToOne({1080, 1920}, {1920, 1080}, 1.0).has_value());  // turned a quarter
    // Qt 6.4 draws a 1.25 desktop at the next whole ratio, 2, and the compositor shrinks it.
    const std::optional<QString> note = notOneToOne({1920, 1080}, {1536, 864}, 2.0);
    ASSERT_TRUE(note.has_value());
    EXPECT_TRUE(note->startsWith(QStringLiteral("not 1:1"))) << note->toStdString();
    EXPECT_TRUE(note->contains(QStringLiteral("1.25"))) << note->toStdString();
    // From a mode's pixels and points alone.
    EXPECT_FALSE(notOneToOne({1920, 1080}, {960, 540}).has_value());
    EXPECT_TRUE(notOneToOne({1920, 1080}, {1280, 720}).has_value());
    // Qt's screen still at the size before a mode change: the compositor's figures hold.
    EXPECT_FALSE(notOneToOneOnScreen({1280, 720}, {1280, 720}, {1920, 1080}, 1.0).has_value());
    EXPECT_TRUE(notOneToOneOnScreen({1920, 1080}, {1536, 864}, {1536, 864}, 2.0).has_value());
    // Nothing known, nothing claimed.
    EXPECT_FALSE(notOneToOne({}, {1920, 1080}, 1.0).has_value());
}

}  // namespace lumenor
