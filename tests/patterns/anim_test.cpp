#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "patterns/anim.h"
#include "patterns/timecode_text.h"

namespace lumenor {
namespace {

TEST(TimecodeText, CountsFramesSecondsMinutesHours) {
    EXPECT_EQ(timecodeText(25, 3661.5), QStringLiteral("01:01:01:12"));
    EXPECT_EQ(timecodeText(30, 0), QStringLiteral("00:00:00:00"));
    EXPECT_EQ(timecodeText(30, 29.0 / 30 + 1e-9), QStringLiteral("00:00:00:29"));
    EXPECT_EQ(timecodeText(30, 1.0), QStringLiteral("00:00:01:00"));
    EXPECT_EQ(timecodeText(25, 24 * 3600.0), QStringLiteral("00:00:00:00"));
    EXPECT_EQ(timecodeText(25, 24 * 3600.0 + 61), QStringLiteral("00:01:01:00"));
}

TEST(TimecodeText, FrameFieldNeverReachesTheRate) {
    for (int i = 0; i < 3000; ++i) {
        const QString text = timecodeText(30, i * 0.0123);
        EXPECT_LT(text.right(2).toInt(), 30) << text.toStdString();
    }
}

TEST(TimecodeText, BadRatesAndTimesShowZero) {
    EXPECT_EQ(timecodeText(0, 12.5), QStringLiteral("00:00:00:00"));
    EXPECT_EQ(timecodeText(-5, 12.5), QStringLiteral("00:00:00:00"));
    EXPECT_EQ(timecodeText(30, -3), QStringLiteral("00:00:00:00"));
    EXPECT_EQ(timecodeText(30, std::numeric_limits<double>::quiet_NaN()),
              QStringLiteral("00:00:00:00"));
    EXPECT_EQ(timecodeText(30, std::numeric_limits<double>::infinity()),
              QStringLiteral("00:00:00:00"));
}

TEST(MakeAnim, BounceOnFullHd) {
    const Anim at0 = makeAnim(Pattern::bounce, 0, 1920, 1080, 1.0, 30, 0);
    EXPECT_NEAR(at0.ballRadius, 48.6, 1e-9);
    EXPECT_NEAR(at0.floorY, 113.4, 1e-9);
    ASSERT_TRUE(at0.ballCenter);
    EXPECT_NEAR(at0.ballCenter->x(), 960, 1e-9);
    EXPECT_NEAR(at0.ballCenter->y(), 966.6, 1e-9);
    EXPECT_FALSE(at0.flash);
    const Anim contact = makeAnim(Pattern::bounce, 0.5, 1920, 1080, 1.0, 30, 0.7);
    EXPECT_NEAR(contact.ballCenter->y(), contact.floorY, 1e-9);
    EXPECT_TRUE(contact.flash);
    const Anim quarter = makeAnim(Pattern::bounce, 0.25, 1920, 1080, 1.0, 30, 0);
    // p = 0.75: 4 * 0.75 * 0.25 = 0.75 of the travel above the floor.
    EXPECT_NEAR(quarter.ballCenter->y(), 0.75 * (1080 - 2 * 113.4) + 113.4, 1e-9);
}

TEST(MakeAnim, BadBouncePeriodsLeaveTheBallAtRest) {
    for (double period : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity()}) {
        const Anim anim = makeAnim(Pattern::bounce, 2.3, 1920, 1080, period, 30, 0);
        ASSERT_TRUE(anim.ballCenter);
        EXPECT_NEAR(anim.ballCenter->y(), anim.floorY, 1e-9) << period;
    }
}

TEST(MakeAnim, CountdownRunsTenToOne) {
    EXPECT_EQ(makeAnim(Pattern::countdown, 0.2, 100, 100, 1, 30, 0).countNumber, 10);
    EXPECT_EQ(makeAnim(Pattern::countdown, 9.5, 100, 100, 1, 30, 0).countNumber, 1);
    EXPECT_EQ(makeAnim(Pattern::countdown, 10.1, 100, 100, 1, 30, 0).countNumber, 10);
    EXPECT_NEAR(makeAnim(Pattern::countdown, 3.25, 100, 100, 1, 30, 0).sweep, 0.25, 1e-12);
    const Anim before = makeAnim(Pattern::countdown, -0.25, 100, 100, 1, 30, 0);
    EXPECT_GE(before.sweep, 0);
    EXPECT_LT(before.sweep, 1);
}

TEST(MakeAnim, OtherFieldsKeepDefaults) {
    const Anim block = makeAnim(Pattern::movingBlock, 2, 100, 100, 1, 30, 5);
    EXPECT_DOUBLE_EQ(block.phase, 0.64);
    EXPECT_FALSE(block.ballCenter);
    EXPECT_FALSE(block.timecode);
    const Anim tc = makeAnim(Pattern::timecode, 1.5, 100, 100, 1, 0, 0);
    EXPECT_EQ(tc.timecode, QStringLiteral("00:00:00:00"));
    const Anim still = makeAnim(Pattern::grid, 3, 100, 100, 1, 30, 9);
    EXPECT_FALSE(still.ballCenter || still.countNumber || still.timecode || still.flash);
    EXPECT_EQ(still.phase, 0);
}

}  // namespace
}  // namespace lumenor
