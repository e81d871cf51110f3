#include "patterns/pattern.h"

namespace lumenor {

namespace {

constexpr std::array<const char*, kPatternCount> kRawNames = {
    "calibration", "grid",       "circle",         "focus",    "overscan",    "pixelGrid",
    "smpte",       "pluge",      "white",          "black",    "grey50",      "red",
    "green",       "blue",       "grayscaleSteps", "gradient", "aspect",      "movingBlock",
    "bounce",      "countdown",  "timecode",       "slate",    "smpteHdBars", "ebuBars",
    "safeAreas",   "crosshatch",
};

std::array<Pattern, kPatternCount> makeAll() {
    std::array<Pattern, kPatternCount> all{};
    for (std::size_t i = 0; i < kPatternCount; ++i) {
        all[i] = static_cast<Pattern>(i);
    }
    return all;
}

}  // namespace

const std::array<Pattern, kPatternCount>& allPatterns() {
    static const std::array<Pattern, kPatternCount> all = makeAll();
    return all;
}

QString rawName(Pattern p) {
    return QString::fromLatin1(kRawNames[static_cast<std::size_t>(p)]);
}

std::optional<Pattern> patternFromRawName(const QString& name) {
    for (std::size_t i = 0; i < kPatternCount; ++i) {
        if (name == QLatin1String(kRawNames[i])) {
            return static_cast<Pattern>(i);
        }
    }
    return std::nullopt;
}

Pattern next(Pattern from, int delta) {
    const auto n = static_cast<int>(kPatternCount);
    const int step = delta < 0 ? -1 : 1;
    return static_cast<Pattern>((static_cast<int>(from) + step + n) % n);
}

bool isAnimated(Pattern p) {
    return p == Pattern::movingBlock || p == Pattern::bounce || p == Pattern::countdown ||
           p == Pattern::timecode;
}

}  // namespace lumenor
