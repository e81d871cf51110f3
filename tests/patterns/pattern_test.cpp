#include <gtest/gtest.h>

#include <set>

#include "patterns/pattern.h"

namespace lumenor {
namespace {

// The names are what profiles, the command line and the remote use: they must not drift.
TEST(PatternCatalogue, RawNamesRoundTripExactlyInDeclaredOrder) {
    const char* expected[] = {"calibration", "grid",   "circle",      "focus",   "overscan",
                              "pixelGrid",   "smpte",  "pluge",       "white",   "black",
                              "grey50",      "red",    "green",       "blue",    "grayscaleSteps",
                              "gradient",    "aspect", "movingBlock", "bounce",  "countdown",
                              "timecode",    "slate",  "smpteHdBars", "ebuBars", "safeAreas",
                              "crosshatch"};
    ASSERT_EQ(allPatterns().size(), std::size(expected));
    for (std::size_t i = 0; i < allPatterns().size(); ++i) {
        const Pattern p = allPatterns()[i];
        EXPECT_EQ(static_cast<std::size_t>(p), i);
        EXPECT_EQ(rawName(p), QString::fromLatin1(expected[i]));
        EXPECT_EQ(patternFromRawName(rawName(p)), p);
    }
    for (const char* bad : {"gray50", "GRID", " grid", "", "pixelgrid"}) {
        EXPECT_FALSE(patternFromRawName(QString::fromLatin1(bad)).has_value()) << bad;
    }
}

// A step moves one pattern whatever the delta's size, forward for zero, and wraps round.
TEST(PatternCatalogue, CyclingStepsOnceAndWraps) {
    EXPECT_EQ(next(Pattern::crosshatch, 1), Pattern::calibration);
    EXPECT_EQ(next(Pattern::calibration, -1), Pattern::crosshatch);
    EXPECT_EQ(next(Pattern::calibration, 5), Pattern::grid);
    EXPECT_EQ(next(Pattern::calibration, 0), Pattern::grid);
    EXPECT_EQ(next(Pattern::grid, -1000), Pattern::calibration);
    std::set<Pattern> seen;
    Pattern p = Pattern::calibration;
    for (std::size_t i = 0; i < kPatternCount; ++i) {
        seen.insert(p);
        p = next(p, 1);
    }
    EXPECT_EQ(p, Pattern::calibration);
    EXPECT_EQ(seen.size(), kPatternCount);
}

}  // namespace
}  // namespace lumenor
