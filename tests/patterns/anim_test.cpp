#include <gtest/gtest.h>

#include <limits>
#include <utility>

#include "patterns/anim.h"
#include "patterns/timecode_text.h"

namespace lumenor {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(TimecodeText, CountsFramesSecondsMinutesHoursAndShowsZeroForBadInput) {
    const QString zero = QStringLiteral("00:00:00:00");
    EXPECT_EQ(timecodeText(25, 3661.5), QStringLiteral("01:01:01:12"));
    EXPECT_EQ(timecodeText(30, 29.0 / 30 + 1e-9), QStringLiteral("00:00:00:29"));
    EXPECT_EQ(timecodeText(30, 1.0), QStringLiteral("00:00:01:00"));
    EXPECT_EQ(timecodeText(25, 24 * 3600.0), zero);
    EXPECT_EQ(timecodeText(25, 24 * 3600.0 + 61), QStringLiteral("00:01:01:00"));
    for (const auto& [fps, t] :
         {std::pair{0, 12.5}, {-5, 12.5}, {30, -3.0}, {30, kNaN}, {30, kInf}}) {
        EXPECT_EQ(timecodeText(fps, t), zero) << fps << " " << t;
    }
    // The frame field never reaches the rate, however the time rounds.
    for (int i = 0; i < 3000; ++i) {
        const QString text = timecodeText(30, i * 0.0123);
        EXPECT_LT(text.right(2).toInt(), 30) << text.toStdString();
    }
}

// The ball at rest and at its contacts is checked on the rendered frames; here its flight.
TEST(MakeAnim, TheBallFliesAParabolaAndBadPeriodsLeaveItAtRest) {
    const Anim quarter = makeAnim(Pattern::bounce, 0.25, 1920, 1080, 1.0, 30, 0);
    ASSERT_TRUE(quarter.ballCenter);
    // p = 0.75: 4 * 0.75 * 0.25 = 0.75 of the travel above the floor at 113.4.
    EXPECT_NEAR(quarter.ballCenter->y(), 0.75 * (1080 - 2 * 113.4) + 113.4, 1e-9);
    for (double period : {0.0, -1.0, kNaN, kInf}) {
        const Anim anim = makeAnim(Pattern::bounce, 2.3, 1920, 1080, period, 30, 0);
        ASSERT_TRUE(anim.ballCenter);
        EXPECT_NEAR(anim.ballCenter->y(), anim.floorY, 1e-9) << period;
    }
}

TEST(MakeAnim, CountdownBlockAndTimecodeFollowTheClock) {
    const auto at = [](Pattern p, double t) { return makeAnim(p, t, 100, 100, 1, 30, 0); };
    EXPECT_EQ(at(Pattern::countdown, 0.2).countNumber, 10);
    EXPECT_EQ(at(Pattern::countdown, 9.5).countNumber, 1);
    EXPECT_EQ(at(Pattern::countdown, 10.1).countNumber, 10);
    EXPECT_NEAR(at(Pattern::countdown, 3.25).sweep, 0.25, 1e-12);
    const double before = at(Pattern::countdown, -0.25).sweep;
    EXPECT_TRUE(before >= 0 && before < 1) << before;
    EXPECT_DOUBLE_EQ(at(Pattern::movingBlock, 2).phase, 0.64);
    EXPECT_EQ(at(Pattern::timecode, 1.5).timecode, QStringLiteral("00:00:01:15"));
}

}  // namespace
}  // namespace lumenor
