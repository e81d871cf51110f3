#pragma once

#include <QObject>

#include "app/wake_source.h"

namespace lumenor {

// The login manager says PrepareForSleep(true) before the computer sleeps and
// PrepareForSleep(false) once it is awake again.
class LogindWakeSource : public QObject, public WakeSource {
    Q_OBJECT

  public:
    LogindWakeSource();

  private slots:
    void prepareForSleep(bool goingToSleep);
};

}  // namespace lumenor
