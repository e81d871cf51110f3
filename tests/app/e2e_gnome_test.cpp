#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <memory>

#include "support/nested_mutter.h"
#include "support/page_driver.h"
#include "support/process.h"

namespace lumenor::test {
namespace {

// The desktop application as a native client of GNOME's Wayland desktop, driven through its
// own controller page.
class E2eGnome : public NestedMutterTest {
  protected:
    void TearDown() override {
        driver_.reset();
        if (app_.state() != QProcess::NotRunning) {
            app_.terminate();
            if (!app_.waitForFinished(10000)) {
                app_.kill();
                app_.waitForFinished(5000);
            }
        }
    }

    void launch() {
        const int port = freeLoopbackPort();
        QProcessEnvironment env = mutter().environment();
        env.insert("HOME", home_.filePath("home"));
        env.insert("XDG_CONFIG_HOME", home_.filePath("config"));
        env.insert("XDG_CACHE_HOME", home_.filePath("cache"));
        acceptAgreementIn(env, home_.filePath("data"));
        env.insert("QTWEBENGINE_REMOTE_DEBUGGING", QStringLiteral("127.0.0.1:%1").arg(port));
        env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
        env.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + home_.filePath("no-bus"));
        app_.setProcessChannelMode(QProcess::MergedChannels);
        app_.setProcessEnvironment(env);
        app_.start(lumenorBinary(), {});
        ASSERT_TRUE(app_.waitForStarted(10000));
        driver_ = std::make_unique<PageDriver>(QStringLiteral(NODE_EXECUTABLE),
                                               QStringLiteral(PAGE_DRIVER), port);
        ASSERT_TRUE(page().waitFor(
            "controller.html", "document.querySelectorAll('#display-list li').length === 2", 40000))
            << page().lastError().toStdString() << app_.readAll().toStdString();
    }

    PageDriver& page() { return *driver_; }
    bool waitFor(const QString& condition, int timeoutMs = 15000) {
        return page().waitFor("controller.html", condition, timeoutMs);
    }
    bool click(const QString& selector) {
        return page().run("controller.html",
                          QStringLiteral("document.querySelector('%1').click()").arg(selector));
    }
    // LVDS2's number and the number of its 1280 × 720 mode, as the command line lists them.
    static std::pair<QString, QString> lvds2And720() {
        const auto r =
            runProcess(lumenorBinary(), {"modes", "LVDS2", "--json"}, mutter().environment());
        const auto list =
            runProcess(lumenorBinary(), {"displays", "--json"}, mutter().environment());
        QString display;
        for (const QJsonValue& d : QJsonDocument::fromJson(list.out).array()) {
            display = QString::number(d.toObject()["id"].toInteger());  // LVDS2 is listed last
        }
        for (const QJsonValue& m : QJsonDocument::fromJson(r.out).array()) {
            if (m.toObject()["pixelWidth"].toInt() == 1280) {
                return {display, QString::number(m.toObject()["id"].toInteger())};
            }
        }
        return {display, {}};
    }

    QTemporaryDir home_;
    QProcess app_;
    std::unique_ptr<PageDriver> driver_;
};

TEST_F(E2eGnome, RunsNativelyAndATrialFromThePageCountsDownAndReverts) {
    ASSERT_NO_FATAL_FAILURE(launch());
    const auto [display, mode] = lvds2And720();
    ASSERT_FALSE(mode.isEmpty());
    ASSERT_TRUE(
        click(QStringLiteral("#display-list li[data-id=\"%1\"] .display-pick").arg(display)));
    const QString button = QStringLiteral("#mode-list button[data-mode-id=\"%1\"]").arg(mode);
    ASSERT_TRUE(waitFor(QStringLiteral("!document.querySelector('%1').disabled").arg(button)));
    ASSERT_TRUE(click(button));

    QElapsedTimer waited;
    waited.start();
    while (mutter().currentMode("LVDS2") != "1280x720@60.000" && waited.elapsed() < 10000) {
        QThread::msleep(50);
    }
    EXPECT_EQ(mutter().currentMode("LVDS2"), "1280x720@60.000");
    EXPECT_EQ(mutter().currentMode("LVDS1"), "1920x1080@60.000");
    EXPECT_TRUE(waitFor("!document.querySelector('#trial').hidden"));
    EXPECT_TRUE(
        waitFor("Number(document.querySelector('#trial-seconds').textContent) <= 13", 5000));
    EXPECT_TRUE(waitFor("document.querySelector('#trial').hidden", 20000));
    EXPECT_EQ(mutter().currentMode("LVDS2"), "1920x1080@60.000");
    EXPECT_TRUE(
        waitFor("document.querySelector('#modes-note').textContent === 'Previous mode restored.'"));
    // Natively, not through an X server: the bed has none for it.
    EXPECT_TRUE(app_.state() == QProcess::Running) << app_.readAll().toStdString();
}

}  // namespace
}  // namespace lumenor::test
