#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "support/process.h"
#include "support/xorg_testbed.h"

namespace lumenor {
namespace {

using test::lumenorBinary;
using test::XServerTest;

class DesktopApp : public XServerTest {};

TEST_F(DesktopApp, ShowsTheControllerWindowAndQuitsWhenItCloses) {
    QTemporaryDir config;  // the window's saved frame goes here, not to the user's settings
    QProcessEnvironment env = x().environment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    test::acceptAgreementIn(env, config.filePath(QStringLiteral("data")));
    QProcess app;
    app.setProcessEnvironment(env);
    app.start(lumenorBinary(), {});
    ASSERT_TRUE(app.waitForStarted());
    const auto window = x().findWindow("Lumenor");
    ASSERT_TRUE(window.has_value()) << app.readAllStandardError().toStdString();
    EXPECT_EQ(window->geometry.width(), 1200);
    EXPECT_EQ(window->geometry.height(), 800);
    EXPECT_EQ(app.state(), QProcess::Running);

    ASSERT_TRUE(x().requestClose(window->id));
    ASSERT_TRUE(app.waitForFinished(10000));
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 0);
}

}  // namespace
}  // namespace lumenor
