#include "patterns/aspect_tables.h"

#include <cmath>

namespace lumenor {

namespace {

struct CommonRatio {
    const char* name;
    double ratio;
};

constexpr std::array<CommonRatio, 7> kCommonRatios = {{
    {"21 : 9", 7.0 / 3.0},
    {"16 : 9", 16.0 / 9.0},
    {"16 : 10", 1.6},
    {"3 : 2", 1.5},
    {"4 : 3", 4.0 / 3.0},
    {"5 : 4", 1.25},
    {"1 : 1", 1.0},
}};

}  // namespace

const std::array<AspectFrame, 4>& aspectFrames() {
    static const std::array<AspectFrame, 4> frames = {{
        {"21:9", 7.0 / 3.0, {1.0, 0.4, 0.0}},
        {"16:9", 16.0 / 9.0, {0.0, 1.0, 0.0}},
        {"16:10", 1.6, {0.0, 0.7, 1.0}},
        {"4:3", 4.0 / 3.0, {1.0, 1.0, 0.0}},
    }};
    return frames;
}

QSet<QString> defaultAspectSelection() {
    QSet<QString> labels;
    for (const AspectFrame& f : aspectFrames()) {
        labels.insert(QString::fromLatin1(f.label));
    }
    return labels;
}

QString aspectName(double width, double height) {
    const double r = width / height;
    const CommonRatio* best = nullptr;
    double bestDistance = 0.0;
    for (const CommonRatio& row : kCommonRatios) {
        const double d = std::fabs(row.ratio - r);
        if (best == nullptr || d < bestDistance) {
            best = &row;
            bestDistance = d;
        }
    }
    if (best != nullptr && bestDistance < 0.03) {
        return QString::fromLatin1(best->name);
    }
    return QString::asprintf("%.2f : 1", r);
}

}  // namespace lumenor
