#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <signal.h>

#include <cerrno>

#include "displays/xrandr_mode_guardian.h"
#include "support/wait.h"

namespace lumenor {
namespace {

// Letting the helper go after the last trial ends must not hold up the caller, however long
// the helper takes to end, and the ended helper must not linger as a zombie.
TEST(ModeGuardian, LettingTheHelperGoNeitherWaitsNorLeavesAZombie) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pidFile = dir.filePath("pid");
    // A helper that takes six seconds to end once its input closes.
    ModeGuardian guardian(
        "/bin/sh", {"-c", QStringLiteral("echo $$ > '%1'; echo ready; exec sleep 6").arg(pidFile)},
        ":0");
    ASSERT_TRUE(guardian.hold(7, {1, 2}));
    QFile file(pidFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const pid_t pid = static_cast<pid_t>(file.readAll().trimmed().toInt());
    ASSERT_GT(pid, 0);

    QElapsedTimer t;
    t.start();
    guardian.forget(7);
    EXPECT_LT(t.elapsed(), 500);
    EXPECT_FALSE(guardian.running());

    // Gone for good once it ends: a zombie would still answer signal 0.
    EXPECT_TRUE(test::waitUntil([&] { return ::kill(pid, 0) != 0 && errno == ESRCH; }, 10000));
}

}  // namespace
}  // namespace lumenor
