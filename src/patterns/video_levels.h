#pragma once

#include <QColor>
#include <QPainter>
#include <QString>

#include <cstdint>
#include <optional>

#include "patterns/pattern.h"

namespace lumenor {

// How the broadcast patterns put black and white in code values: full range spans every code
// (0 to 255 at 8 bits), limited range the narrow one of video (16 to 235, 64 to 940 at 10 bits)
// with room below black and above white.
enum class VideoRange : std::uint8_t { full, limited };

QString rangeName(VideoRange range);
std::optional<VideoRange> rangeFromName(const QString& name);

// Whether a pattern has levels between those of 8 bits a channel, which a display of 10 bits
// shows and one of 8 rounds: the ramps, the grey steps and the broadcast bars.
bool hasTenBitLevels(Pattern pattern);

// Turns signal levels into device colours for a canvas of 8, 10 or 16 bits a channel. A level
// is R'G'B' with black at 0 and white at 1; in limited range it is first made a 10-bit narrow
// code, so that 10-bit values are exact and 8 and 16 bits are that code shifted (940 is 235 and,
// with its top bits repeated, 60218); in full range it is scaled to the canvas's largest code.
class VideoLevels {
  public:
    VideoLevels(VideoRange range, int bits) : range_(range), bits_(bits) {}

    // The channel depth a painter's device keeps: 16 for 64-bit images, 10 for 30-bit ones,
    // 8 otherwise.
    static int canvasBits(const QPainter& painter);

    VideoRange range() const { return range_; }
    int bits() const { return bits_; }

    // One channel's code value at the canvas's depth.
    int code(double level) const;
    QColor rgb(double r, double g, double b) const;
    QColor grey(double level) const { return rgb(level, level, level); }
    // A BT.709 narrow-range 10-bit Y'CbCr triple turned into R'G'B' with the BT.709 matrix.
    QColor ycbcr10(int y, int cb, int cr) const;
    // The level a 10-bit narrow-range luma code stands for (64 is 0, 940 is 1).
    static double lumaLevel(int y10) { return (y10 - 64) / 876.0; }

  private:
    VideoRange range_;
    int bits_;
};

}  // namespace lumenor
