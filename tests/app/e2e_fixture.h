#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <vector>

#include "support/page_driver.h"
#include "support/xorg_testbed.h"

namespace lumenor::test {

// The whole desktop application, started as a user would start it, on two heads of the
// virtual X server (DUMMY0 1920 × 1080 and DUMMY1 1280 × 720 right of it), with a home and
// XDG folders of its own per test, driven through its own pages over the web engine's
// debugging port.
class LumenorE2E : public XServerTest {
  protected:
    static constexpr const char* kController = "controller.html";
    static constexpr const char* kAgreement = "EULA.html";
    static inline const QRect kHead1{1920, 0, 1280, 720};

    void SetUp() override;
    void TearDown() override;

    // Starts lumenor with `environment` (NAME=VALUE) over the test's own and, unless `agreed`
    // is false, an acceptance of the current agreement on record; then waits until its
    // controller page is shown. The system bus is one that is not there unless `environment`
    // names one.
    void launch(const QStringList& environment = {}, bool agreed = true);
    // Waits until the controller page shows both heads.
    bool controllerShown();
    QProcessEnvironment environment() const { return env_; }
    QProcess& app() { return *app_; }
    PageDriver& page() { return *driver_; }
    // Asks the controller window to close as a window manager would; true when lumenor then
    // ended with status 0.
    bool closeController();

    // Runs `statement` with `el` bound to the element `selector` names in the controller
    // page; false (and a failure) when there is none.
    bool onElement(const QString& selector, const QString& statement);
    bool click(const QString& selector) {
        return onElement(selector, QStringLiteral("el.click()"));
    }
    // Waits until the element `selector` names satisfies `condition` (over `el`).
    bool waitForElement(const QString& selector, const QString& condition, int timeoutMs = 15000);
    bool waitForPattern(const QString& rawName);
    // The page's selectors for one head.
    static QString displayItem(const QString& output);
    // Sends the output to DUMMY1, picks `pattern` and shows the output, all from the page.
    void showOnHead1(const QString& pattern);

    // What `lumenor render` draws for a pattern and its options at a size.
    static QImage renderedWith(const QStringList& patternAndOptions, QSize size);
    // Milliseconds-bounded wait until `area` shows `expected`; the pixels still differing.
    int settle(const QRect& area, const QImage& expected, int timeoutMs = 15000);
    // Real input through the X server's test extension.
    bool xdotool(const QStringList& args, QString* output = nullptr);
    // Gives the controller window the keyboard.
    void focusController();
    // Leaves the keyboard with no window.
    bool dropKeyboardFocus() const;
    // True when top-level window `upper` is stacked above `lower`.
    bool stackedAbove(unsigned long upper, unsigned long lower) const;
    // Processes started with this test's environment (lumenor and every helper it started).
    std::vector<int> processesOfThisTest() const;
    bool waitForNoProcesses(int timeoutMs = 10000) const;
    QString dataFolder() const;
    bool waitForMode(const QString& output, const QString& mode, int timeoutMs = 10000) const;

  private:
    void writeRecords();

    QTemporaryDir home_;
    QProcessEnvironment env_;
    std::unique_ptr<QProcess> app_;
    std::unique_ptr<PageDriver> driver_;
};

}  // namespace lumenor::test
