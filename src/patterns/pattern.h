#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace lumenor {

// The closed list of test patterns, in cycling order. Outside the process a pattern is named
// by its raw name (see rawName / patternFromRawName).
enum class Pattern : std::uint8_t {
    calibration,
    grid,
    circle,
    focus,
    overscan,
    pixelGrid,
    smpte,
    pluge,
    white,
    black,
    grey50,
    red,
    green,
    blue,
    grayscaleSteps,
    gradient,
    aspect,
    movingBlock,
    bounce,
    countdown,
    timecode,
    slate,
    smpteHdBars,
    ebuBars,
    safeAreas,
    crosshatch,
};

inline constexpr std::size_t kPatternCount = 26;

const std::array<Pattern, kPatternCount>& allPatterns();

QString rawName(Pattern p);

// Exact, case-sensitive match against the raw names.
std::optional<Pattern> patternFromRawName(const QString& name);

// The neighbour in allPatterns(): previous for a negative delta, next otherwise; always one
// step, wrapping at both ends.
Pattern next(Pattern from, int delta);

// True for the patterns that change from frame to frame.
bool isAnimated(Pattern p);

}  // namespace lumenor
