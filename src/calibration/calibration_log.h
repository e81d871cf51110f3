#pragma once

#include <QLoggingCategory>

namespace lumenor {

Q_DECLARE_LOGGING_CATEGORY(logCalibration)

}  // namespace lumenor
