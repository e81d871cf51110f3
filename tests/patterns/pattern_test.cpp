#include <gtest/gtest.h>

#include <limits>
#include <utility>

#include "patterns/anim.h"
#include "patterns/aspect_tables.h"
#include "patterns/pattern.h"
#include "patterns/timecode_text.h"

namespace lumenor {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The names are what profiles, the command line and the remote use: they must not drift. A step
// moves one pattern whatever the delta's size, forward for zero, and wraps round.
TEST(PatternCatalogue, RawNamesRoundTripExactlyInDeclaredOrderAndStepsWrapRound) {
    const char* expected[] = {"calibration", "grid",   "circle",      "focus",   "overscan",
                              "pixelGrid",   "smpte",  "pluge",       "white",   "black",
                              "grey50",      "red",    "green",       "blue",    "grayscaleSteps",
                              "gradient",    "aspect", "movingBlock", "bounce",  "countdown",
                              "timecode",    "slate",  "smpteHdBars", "ebuBars", "safeAreas",
                              "crosshatch"};
    ASSERT_EQ(allPatterns().size(), std::size(expected));
    for (std::size_t i = 0; i < kPatternCount; ++i) {
        const Pattern p = allPatterns()[i];
        const Pattern after = allPatterns()[(i + 1) % kPatternCount];
        EXPECT_EQ(static_cast<std::size_t>(p), i);
        EXPECT_EQ(rawName(p), QString::fromLatin1(expected[i]));
        EXPECT_EQ(patternFromRawName(rawName(p)), p);
        EXPECT_EQ(next(p, 1), after);
        EXPECT_EQ(next(after, -1), p);
    }
    for (const char* bad : {"gray50", "GRID", " grid", "", "pixelgrid"}) {
        EXPECT_FALSE(patternFromRawName(QString::fromLatin1(bad)).has_value()) << bad;
    }
    EXPECT_EQ(next(Pattern::calibration, 5), Pattern::grid);
    EXPECT_EQ(next(Pattern::calibration, 0), Pattern::grid);
    EXPECT_EQ(next(Pattern::grid, -1000), Pattern::calibration);
}

// A shape is named when its ratio is within three hundredths of it, else the ratio is given.
TEST(AspectTables, NamesCommonShapesAndFallsBackToTheRatio) {
    EXPECT_EQ(aspectName(1920, 1080), "16 : 9");
    EXPECT_EQ(aspectName(2560, 1080), "2.37 : 1");  // 0.037 from 21:9
    EXPECT_EQ(aspectName(1.6 + 0.029, 1.0), "16 : 10");
    EXPECT_EQ(aspectName(1.6 - 0.029, 1.0), "16 : 10");
    EXPECT_EQ(aspectName(1.6 + 0.031, 1.0), "1.63 : 1");
    EXPECT_EQ(aspectName(1.0 - 0.031, 1.0), "0.97 : 1");
}

TEST(TimecodeText, CountsFramesSecondsMinutesHoursAndShowsZeroForBadInput) {
    const QString zero = QStringLiteral("00:00:00:00");
    EXPECT_EQ(timecodeText(25, 3661.5), QStringLiteral("01:01:01:12"));
    EXPECT_EQ(timecodeText(30, 29.0 / 30 + 1e-9), QStringLiteral("00:00:00:29"));
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
TEST(MakeAnim, EachAnimatedPatternFollowsTheClockAndBadPeriodsLeaveTheBallAtRest) {
    const auto at = [](Pattern p, double t, double period = 1.0) {
        return makeAnim(p, t, 1920, 1080, period, 30, 0);
    };
    // p = 0.75: 4 * 0.75 * 0.25 = 0.75 of the travel above the floor at 113.4.
    ASSERT_TRUE(at(Pattern::bounce, 0.25).ballCenter);
    EXPECT_NEAR(at(Pattern::bounce, 0.25).ballCenter->y(), 0.75 * (1080 - 2 * 113.4) + 113.4, 1e-9);
    for (double period : {0.0, -1.0, kNaN, kInf}) {
        const Anim anim = at(Pattern::bounce, 2.3, period);
        ASSERT_TRUE(anim.ballCenter);
        EXPECT_NEAR(anim.ballCenter->y(), anim.floorY, 1e-9) << period;
    }
    EXPECT_EQ(at(Pattern::countdown, 0.2).countNumber, 10);
    EXPECT_EQ(at(Pattern::countdown, 9.5).countNumber, 1);
    EXPECT_NEAR(at(Pattern::countdown, 3.25).sweep, 0.25, 1e-12);
    const double before = at(Pattern::countdown, -0.25).sweep;
    EXPECT_TRUE(before >= 0 && before < 1) << before;
    EXPECT_DOUBLE_EQ(at(Pattern::movingBlock, 2).phase, 0.64);
    EXPECT_EQ(at(Pattern::timecode, 1.5).timecode, QStringLiteral("00:00:01:15"));
}

}  // namespace
}  // namespace lumenor
