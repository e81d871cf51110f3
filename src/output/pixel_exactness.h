#pragma once

#include <QSize>
#include <QString>

#include <optional>

namespace lumenor {

// Whether frames reach a display one to one. The output covers the screen's desktop size and
// Qt draws it at its device pixel ratio (a whole number in Qt 6.4 on Wayland); when that is
// not the mode's pixel size, the compositor resizes every frame and no pixel is exact.
// Returns what to say then, or none when the frames are exact.
std::optional<QString> notOneToOne(QSize modePixels, QSize desktopSize, double devicePixelRatio);

// The same from a mode alone: its pixels and desktop size (points), drawn at the nearest whole
// ratio, which is the best Qt can do.
std::optional<QString> notOneToOne(QSize modePixels, QSize desktopSize);

// The same for a screen as Qt has it. Qt learns of a new mode from the compositor a moment
// after the mode is announced, and until then its screen keeps the old size: the compositor's
// own desktop size for the mode (`modePoints`) is the one to go by then.
std::optional<QString> notOneToOneOnScreen(QSize modePixels, QSize modePoints, QSize screenSize,
                                           double devicePixelRatio);

}  // namespace lumenor
