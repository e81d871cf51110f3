#pragma once

#include <QImage>
#include <QPainter>
#include <QSet>
#include <QString>

#include <optional>

#include "patterns/anim.h"
#include "patterns/pattern.h"
#include "patterns/video_levels.h"

namespace lumenor {

// Draws one frame of a pattern. Stateless: the same arguments always give the same pixels.
class PatternRenderer {
  public:
    using Anim = lumenor::Anim;

    // Backing scale factors outside this range are taken as the nearest bound: line widths,
    // spacings and type sizes follow the scale, and a grid at a vanishing scale would have
    // more lines than pixels.
    static constexpr double kMinScale = 0.25;
    static constexpr double kMaxScale = 16;

    // `painter` draws on a device-pixel canvas of W x H pixels, origin top-left as Qt has it;
    // the patterns are laid out with the origin at the lower-left and y growing upwards.
    // Axis-aligned lines and rectangle edges cover whole pixels; curves, diagonals and text
    // are anti-aliased. `range` sets the levels of the broadcast patterns, drawn at the depth of
    // the painter's image (8, 10 or 16 bits a channel).
    static void draw(Pattern pattern, QPainter& painter, double W, double H, double scale,
                     const Anim& anim, const QSet<QString>& aspectRatios, const QString& slateText,
                     const std::optional<QImage>& slateImage, VideoRange range = VideoRange::full);
};

}  // namespace lumenor
