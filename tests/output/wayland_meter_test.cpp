// The meter of `lumenor show` on GNOME's headless compositor, which composites off screen at its
// monitor's 60 Hz as it would for a GPU machine's monitor (the nested one paints in software at
// a few frames a second). It runs with nothing beside it: the machine must be idle.
#include <gtest/gtest.h>

#include <QProcess>

#include "support/nested_mutter.h"
#include "support/process.h"
#include "support/process_lines.h"

namespace lumenor::test {

// From the first report on, a moving and a still pattern each count no drop for three seconds
// at the monitor's 60 Hz.
TEST(WaylandMeter, CountsNoDropFromTheStartOnAnIdleMachine) {
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
        readLines(show, 40000, [&](const QByteArray& line) {
            const FrameLine f = frameLine(line);
            reports += f.dropped >= 0 ? 1 : 0;
            EXPECT_TRUE(f.dropped < 0 || (f.rate == "60.00" && f.dropped == 0))
                << pattern << ": " << line.toStdString();
            return reports == 6;
        });
        EXPECT_EQ(reports, 6) << pattern;
        show.kill();
        show.waitForFinished();
    }
}

}  // namespace lumenor::test
