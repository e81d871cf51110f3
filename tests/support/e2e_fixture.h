#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QRect>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <vector>

#include "support/page_driver.h"
#include "support/xorg_testbed.h"

namespace lumenor::test {

// The whole desktop application, started as a user would start it, with a home and XDG
// folders of its own, driven through its own pages over the web engine's debugging port.
// Nothing it started outlives stop().
class LumenorRun {
  protected:
    static constexpr const char* kController = "controller.html";

    LumenorRun();
    // Starts lumenor in `base` plus `environment` (NAME=VALUE; no system bus unless it names one)
    // over the run's folders; when `agreed`, with the agreement on record, waits for its
    // controller.
    void start(const QProcessEnvironment& base, const QStringList& environment, bool agreed);
    // Ends lumenor and everything it started; says what it printed when the test failed.
    void stop();
    bool controllerShown();
    // Waits for lumenor to end; true when it ended with status 0.
    bool endedCleanly();
    QProcessEnvironment environment() const { return env_; }
    QProcess& app() { return *app_; }
    PageDriver& page() { return *driver_; }
    QString folder(const char* name) const { return home_.filePath(QLatin1String(name)); }
    QString dataFolder() const;

    // Runs `statement` on `el`, the controller page's `selector`; false (a failure) without it.
    bool onElement(const QString& selector, const QString& statement);
    bool click(const QString& selector) {
        return onElement(selector, QStringLiteral("el.click()"));
    }
    // Waits until `condition` holds in the controller page.
    bool waitFor(const QString& condition, int timeoutMs = 15000);
    // Waits until the element `selector` names satisfies `condition` (over `el`).
    bool waitForElement(const QString& selector, const QString& condition, int timeoutMs = 15000);
    bool waitForPattern(const QString& rawName);

    // The phone remote as switched on in the page: its port, PIN and the phone's address.
    struct Remote {
        quint16 port = 0;
        QByteArray pin;
        QString address;
    };
    std::optional<Remote> switchRemoteOn();

    // Processes started with this run's home (lumenor and every helper it started).
    std::vector<int> processesOfThisRun() const;
    bool waitForNoProcesses(int timeoutMs = 10000) const;

  private:
    void writeRecords();

    QTemporaryDir home_;
    QProcessEnvironment env_;
    std::unique_ptr<QProcess> app_;
    std::unique_ptr<PageDriver> driver_;
};

// The application on two heads of the virtual X server (DUMMY0 1920 × 1080 and DUMMY1
// 1280 × 720 right of it).
class LumenorE2E : public XServerTest, protected LumenorRun {
  protected:
    static inline const QRect kHead1{1920, 0, 1280, 720};

    void SetUp() override;
    void TearDown() override { stop(); }

    void launch(const QStringList& environment = {}, bool agreed = true);
    // Closes the controller window as a window manager would; true when lumenor ended with 0.
    bool closeController();
    // The page's selectors for one head.
    static QString displayItem(const QString& output);
    // Sends the output to DUMMY1, picks `pattern` and shows the output, all from the page.
    void showOnHead1(const QString& pattern);
    // Milliseconds-bounded wait until `area` shows `expected`; the pixels still differing.
    static int settle(const QRect& area, const QImage& expected);
    // Real input through the X server's test extension.
    static bool xdotool(const QStringList& args, QString* output = nullptr);
    // Gives the controller window the keyboard.
    void focusController();
    // Leaves the keyboard with no window.
    static bool dropKeyboardFocus();
    // True when top-level window `upper` is stacked above `lower`.
    static bool stackedAbove(unsigned long upper, unsigned long lower);
    static bool waitForMode(const QString& output, const QString& mode);
};

}  // namespace lumenor::test
