#pragma once

class QWidget;

namespace lumenor {

// Shows `window` on top of the others, restored if minimised, with the keyboard; also when
// asked from outside (a second launch), where no fresh input event of ours backs the request.
void bringToFront(QWidget* window);

}  // namespace lumenor
