#pragma once

#include <QString>

class QWidget;

namespace lumenor {

// Shows `window` on top of the others, restored if minimised, with the keyboard; also when
// asked from outside (a second launch), where no fresh input event of ours backs the request.
// `activationToken` is the Wayland activation token that the second launch's launcher gave it,
// without which the compositor may keep the keyboard where it is.
void bringToFront(QWidget* window, const QString& activationToken = {});

}  // namespace lumenor
