#include <gtest/gtest.h>

#include <QThread>

#include <algorithm>
#include <csignal>
#include <utility>
#include <vector>

#include "output/output_on_x.h"
#include "support/process_lines.h"
#include "support/refresh_bystander.h"

namespace lumenor::test {
namespace {

// The first report comes once the output is on screen and counts nothing on an idle machine;
// the reports give the rate, count a stall and turn unsteady, and after a mode change give the
// new mode's rate. A refresh the server's own clock skipped, which a bystander link of this
// process misses too, excuses the report that counts it; counting from before the first frame
// made every start report a drop.
TEST_F(OutputOnX, TheMeterStartsCleanCountsAStallAndFollowsTheRate) {
    const test::RefreshBystander bystander(x().environment().value("DISPLAY").toLocal8Bit());
    ASSERT_TRUE(bystander.running());
    // Each report is read with the time it came; one covers the half second before it.
    const auto reports = [&](int ms, std::int64_t sinceUs) {
        std::vector<std::pair<FrameLine, bool>> out;  // with whether the server skipped then
        readLines(show_, ms, [&](const QByteArray& line) {
            const std::int64_t at = test::nowUs();
            out.emplace_back(frameLine(line), bystander.missedBetween(sinceUs - 100'000, at));
            sinceUs = at;
            return false;
        });
        return out;
    };
    for (int start = 0; start < 5; ++start) {
        const std::int64_t startedUs = test::nowUs();
        startShow({"bounce", "--seconds", "30"});
        const auto first = reports(1500, startedUs);
        ASSERT_FALSE(first.empty());
        EXPECT_TRUE(first.front().first.dropped == 0 || first.front().second)
            << "start " << start << " counted " << first.front().first.dropped;
        TearDown();
    }

    startShow({"bounce", "--seconds", "30"});
    const auto idle = reports(3000, test::nowUs());
    ASSERT_GE(idle.size(), 4u);
    int before = 0;
    for (const auto& [f, skipped] : idle) {
        EXPECT_EQ(f.rate, "60.00");
        EXPECT_TRUE(f.steady || skipped) << "a refresh missed by the show alone";
        before = f.dropped;
    }
    ::kill(static_cast<pid_t>(show_.processId()), SIGSTOP);
    QThread::msleep(200);
    ::kill(static_cast<pid_t>(show_.processId()), SIGCONT);
    const std::vector<QByteArray> after = readLines(show_, 2000);
    ASSERT_FALSE(after.empty());
    int dropped = 0;
    bool unsteady = false;
    for (const QByteArray& line : after) {
        const FrameLine f = frameLine(line);
        // Any other line would read as unsteady.
        EXPECT_GE(f.dropped, 0) << "not a frame report: " << line.toStdString();
        dropped = std::max(dropped, f.dropped);
        unsteady = unsteady || !f.steady;
    }
    EXPECT_TRUE(unsteady);
    // 200 ms at 60 Hz is 12 refreshes; one of them is the slot the stall began in.
    EXPECT_GE(dropped - before, 10);
    EXPECT_LE(dropped - before, 16);

    ASSERT_TRUE(x().newMode(
        {"1920x1080_30", "74.25 1920 2008 2052 2200 1080 1084 1089 1125 +hsync +vsync"}));
    for (const auto& [mode, rate] :
         {std::pair{"1920x1080_30", "30.00"}, {"1920x1080_60", "60.00"}}) {
        ASSERT_TRUE(x().setMode("DUMMY0", mode));
        const std::vector<QByteArray> lines = readLines(show_, 3000);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(frameLine(lines.back()).rate, rate) << mode;
    }
}

}  // namespace
}  // namespace lumenor::test
