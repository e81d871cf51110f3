#pragma once

#include <QString>

namespace lumenor {

// "hh:mm:ss:ff" (non-drop-frame) for t seconds at an integer frame rate. A rate of 0 or less,
// or a time that is not finite, gives "00:00:00:00".
QString timecodeText(int fps, double t);

}  // namespace lumenor
