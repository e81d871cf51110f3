#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "support/xorg_testbed.h"

namespace lumenor::test {

// GNOME's compositor as a Wayland desktop with no Xwayland, on a private session bus and a
// runtime folder of its own. Nested, it runs in one window named "mutter" on a virtual X
// server, with dummy monitors LVDS1, LVDS2 … side by side in it, whose pixels are read from
// that window; headless, it has one virtual monitor with one mode and no window. Everything
// stops when the object goes, and dies with the test process if that crashes.
class NestedMutter {
  public:
    struct Options {
        int monitors = 2;
        QString scales = QStringLiteral("1,1");  // one per monitor, e.g. "1.25,1"
        // Separated by colons: with commas Mutter keeps one mode.
        QString modeSpecs = QStringLiteral("1920x1080@60:1920x1080@50:1280x720@60:1024x768@60");
        // Set: `mutter --headless --virtual-monitor WxH` instead of nested on `xDisplay`.
        std::optional<QSize> headlessMonitor;
    };

    // `xDisplay` is the X server the nested window opens on (unused when headless).
    static std::unique_ptr<NestedMutter> start(const QString& xDisplay, QString* error,
                                               const Options& options);
    static std::unique_ptr<NestedMutter> start(const QString& xDisplay, QString* error) {
        return start(xDisplay, error, Options{});
    }
    ~NestedMutter();
    NestedMutter(const NestedMutter&) = delete;
    NestedMutter& operator=(const NestedMutter&) = delete;

    // What a program on this desktop sees: WAYLAND_DISPLAY, XDG_RUNTIME_DIR and
    // DBUS_SESSION_BUS_ADDRESS set, no DISPLAY (there is no Xwayland).
    QProcessEnvironment environment() const;
    QString busAddress() const { return busAddress_; }
    QString socketName() const { return socket_; }

    // The mode id ("1280x720@60.000") the monitor on `connector` shows, as the compositor
    // says; empty when it shows none or the compositor does not answer.
    QString currentMode(const QString& connector) const;
    // The compositor's own GetCurrentState answer, as gdbus prints it.
    QString currentState() const;
    // Makes the compositor show these modes, one monitor per pair, laid out left to right at
    // `scales` (1 where none is given) with the first primary (what the desktop's settings
    // would do). Temporary.
    bool applyModes(const std::vector<std::pair<QString, QString>>& connectorModes,
                    const std::vector<double>& scales = {}) const;
    // The scale the compositor draws the monitor on `connector` at; 0 when it shows none.
    double scale(const QString& connector) const;

    // The nested window on the host X server (waits for it up to `timeoutMs`); none headless.
    std::optional<XorgTestbed::WindowInfo> window(int timeoutMs = 10000) const;
    // The pixels the monitors show in `area` of the desktop's layout (LVDS1 from 0,0), as
    // RGB32; a null image headless or when the server refuses.
    QImage capture(const QRect& area) const;

  private:
    NestedMutter() = default;
    QString gdbus(const QStringList& args, bool* ok = nullptr) const;

    QTemporaryDir runtimeDir_;  // created with mode 0700, as a Wayland runtime folder must be
    QProcess bus_;
    QProcess mutter_;
    QString busAddress_;
    QString socket_;
    QString xDisplay_;
};

// One virtual X server with a nested GNOME desktop per test suite. The X screen spans both
// monitors, so the whole nested window can be read.
class NestedMutterTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    static XorgTestbed& x() { return *x_; }
    static NestedMutter& mutter() { return *mutter_; }

  private:
    static std::unique_ptr<XorgTestbed> x_;
    static std::unique_ptr<NestedMutter> mutter_;
    static QString startError_;
};

}  // namespace lumenor::test
