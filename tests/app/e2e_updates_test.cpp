#include <QElapsedTimer>
#include <QThread>

#include "app/e2e_fixture.h"

namespace lumenor::test {
namespace {

using E2eUpdates = LumenorE2E;

// "Check for Updates…" chosen from the real menu bar reaches the update service, which
// refuses a feed that is not HTTPS before any connection and says so in its dialog.
TEST_F(E2eUpdates, TheMenuItemChecksAndSaysWhyAPlainHttpFeedIsRefused) {
    launch(Options::withEnvironment(
        {"LUMENOR_UPDATE_FEED=http://127.0.0.1:9/appcast.xml?product=lumenor"}));
    const auto window = x().findWindow(QStringLiteral("Lumenor"));
    ASSERT_TRUE(window.has_value());
    ASSERT_NO_FATAL_FAILURE(focusController());
    // The application menu is the first title of the menu bar; its third item is the check.
    // A loaded machine may open the menu late: then the keys are lost and the choice is made
    // again.
    bool shown = false;
    for (int attempt = 0; attempt < 3 && !shown; ++attempt) {
        ASSERT_TRUE(xdotool({"key", "Escape"}));
        ASSERT_TRUE(xdotool({"mousemove", "--sync", QString::number(window->geometry.x() + 30),
                             QString::number(window->geometry.y() + 10), "click", "1"}));
        QThread::msleep(1000);
        ASSERT_TRUE(xdotool({"key", "Down", "Down", "Down", "Return"}));
        shown = x().findWindow(QStringLiteral("Software Update"), 5000).has_value();
    }
    EXPECT_TRUE(shown);
    const QByteArray sentence =
        "Lumenor could not check for updates: "
        "http://127.0.0.1:9/appcast.xml?product=lumenor is not an "
        "encrypted (HTTPS) address.";
    QByteArray said;
    QElapsedTimer t;
    t.start();
    while (!said.contains(sentence) && t.elapsed() < 15000) {
        app().waitForReadyRead(500);
        said += app().readAll();
    }
    EXPECT_TRUE(said.contains(sentence)) << said.toStdString();
}

}  // namespace
}  // namespace lumenor::test
