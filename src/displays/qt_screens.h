#pragma once

#include <QString>

class QScreen;

namespace lumenor {

// Qt's screen for a connector, as Qt names screens by it; none without a GUI application.
QScreen* qtScreenNamed(const QString& connector);

}  // namespace lumenor
