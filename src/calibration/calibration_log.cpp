#include "calibration/calibration_log.h"

namespace lumenor {

Q_LOGGING_CATEGORY(logCalibration, LUMENOR_APP_ID ".calibration", QtInfoMsg)

}  // namespace lumenor
