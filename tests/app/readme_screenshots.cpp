#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include "support/e2e_fixture.h"
#include "support/rendered_pixels.h"

namespace lumenor::test {
namespace {

// The README's pictures: the controller window and the output head, taken from the desktop
// application on the virtual X server. scripts/screenshots.sh runs this with
// LUMENOR_SCREENSHOTS set to the README's folder; as a test it writes them into the build.
class ReadmeScreenshots : public LumenorE2E {
  protected:
    static QString folder() {
        const QString chosen = qEnvironmentVariable("LUMENOR_SCREENSHOTS");
        return chosen.isEmpty() ? QStringLiteral(SCREENSHOTS_DEFAULT) : chosen;
    }

    // `area` once two captures half a second apart agree: the page has finished drawing.
    QImage steady(const QRect& area) {
        QImage last = x().capture(area);
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 15000) {
            QThread::msleep(500);
            QImage now = x().capture(area);
            if (now == last) {
                return now;
            }
            last = now;
        }
        return last;
    }
};

TEST_F(ReadmeScreenshots, ControllerAndOutput) {
    launch();
    showOnHead1(QStringLiteral("calibration"));
    const QImage card = rendered(QStringLiteral("calibration"), kHead1.size());
    ASSERT_EQ(settle(kHead1, card), 0) << "the output does not show the calibration card";
    const auto controller = x().findWindow(QStringLiteral("Lumenor"));
    ASSERT_TRUE(controller.has_value());

    ASSERT_TRUE(QDir().mkpath(folder()));
    const QImage window = steady(controller->geometry);
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window.save(QDir(folder()).filePath("controller.png")));
    EXPECT_TRUE(x().capture(kHead1).save(QDir(folder()).filePath("output.png")));
}

}  // namespace
}  // namespace lumenor::test
