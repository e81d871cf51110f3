#pragma once

#include <QApplication>
#include <QElapsedTimer>

#include <cstdlib>
#include <memory>

#include "support/xorg_testbed.h"

namespace lumenor::test {

// Runs the Qt event loop for `ms` milliseconds.
inline void spinEvents(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

// A Qt application on the xcb platform of a test X server, made once the heads are plugged.
class QtOnX {
  public:
    explicit QtOnX(const XorgTestbed& x) {
        ::setenv("DISPLAY", x.displayName().toLocal8Bit().constData(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }

  private:
    int argc_ = 1;
    char name_[5] = "test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

}  // namespace lumenor::test
