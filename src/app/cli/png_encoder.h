#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

namespace lumenor::cli {

// The PNG file of an RGB888 image (8 bits a channel) or an RGBX64 one (16 bits a channel),
// with no colour space chunk: the file holds device values. Test patterns are large fields of
// one colour, so rows are filtered against the row above and compressed as runs, which is
// several times faster than a general-purpose encoder and still small. None for another
// format or when encoding fails.
std::optional<QByteArray> encodePng(const QImage& image);

}  // namespace lumenor::cli
