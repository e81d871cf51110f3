// The meter of `lumenor show` on GNOME's headless compositor, which composites off screen at its
// monitor's 60 Hz as it would for a GPU machine's monitor (the nested one paints in software at
// a few frames a second). It runs with nothing beside it: the machine must be idle.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>

#include "support/nested_mutter.h"
#include "support/process.h"

namespace lumenor::test {

// From the first report on, a moving and a still pattern each count no drop for three seconds
// at the monitor's 60 Hz.
TEST(WaylandMeter, CountsNoDropFromTheStartOnAnIdleMachine) {
    static const QRegularExpression form(R"(^frame (\d+\.\d\d) Hz dropped (\d+) (un)?steady$)");
    for (const char* pattern : {"movingBlock", "grey50"}) {
        // A compositor of its own each: one still painting away the last client's window in
        // software is not idle.
        QString error;
        const std::unique_ptr<NestedMutter> mutter =
            NestedMutter::start({}, &error, {.headlessMonitor = QSize(1920, 1080)});
        ASSERT_TRUE(mutter) << error.toStdString();
        QProcess show;
        show.setProcessEnvironment(mutter->environment());
        show.start(lumenorBinary(), {"show", pattern, "--seconds", "20"});
        int reports = 0;
        while (reports < 6 && show.waitForReadyRead(10000)) {
            while (show.canReadLine()) {
                const QString line = QString::fromUtf8(show.readLine()).trimmed();
                const QRegularExpressionMatch m = form.match(line);
                if (m.hasMatch()) {
                    ++reports;
                    EXPECT_EQ(m.captured(1), "60.00") << pattern;
                    EXPECT_EQ(m.captured(2), "0") << pattern << ": " << line.toStdString();
                }
            }
        }
        EXPECT_EQ(reports, 6) << pattern;
        show.kill();
        show.waitForFinished();
    }
}

}  // namespace lumenor::test
