#pragma once

#include <Qt>

namespace lumenor {

// Borderless, above every normal window and out of the window manager's hands: what the
// output, its mirrors and the identify cards share.
Qt::WindowFlags overlayWindowFlags();

// True when a compositing manager blends translucent windows on this X screen.
bool hasCompositor();

}  // namespace lumenor
