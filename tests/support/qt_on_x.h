#pragma once

#include <QApplication>
#include <QElapsedTimer>

#include <cstdlib>
#include <memory>

#include "displays/display_service.h"
#include "displays/xrandr_display_platform.h"
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

// Three heads side by side (1920 × 1080 at 60 Hz, 1280 × 720 at 60 Hz, 1920 × 1080 at 50 Hz),
// a Qt application on them and the display service over them.
class ThreeHeadsWithQt : public XServerTest {
  protected:
    void SetUp() override {
        XServerTest::SetUp();
        ASSERT_TRUE(x().plug("DUMMY1", "1280x720_60"));
        ASSERT_TRUE(x().plug("DUMMY2", "1920x1080_50", "DUMMY1"));
        app_ = std::make_unique<QtOnX>(x());
        QString error;
        auto c = XrandrConnection::open(nullptr, &error);
        ASSERT_TRUE(c) << error.toStdString();
        displays_ =
            std::make_unique<DisplayService>(std::make_unique<XrandrDisplayPlatform>(std::move(c)));
        displays_->refresh();
        ASSERT_EQ(displays_->displays().size(), 3u);
    }

    std::unique_ptr<QtOnX> app_;
    std::unique_ptr<DisplayService> displays_;
};

}  // namespace lumenor::test
