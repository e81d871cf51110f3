#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QSize>
#include <QString>
#include <QTemporaryDir>

#include <memory>

struct _XDisplay;  // NOLINT(bugprone-reserved-identifier): the name is Xlib's

namespace lumenor::test {

// A Wayland desktop seen through Xwayland: weston with its headless back end, the pixman
// renderer and Xwayland, on a socket and runtime folder of its own. Stopped when the object
// goes; it dies with the test process if that crashes.
class WestonTestbed {
  public:
    static std::unique_ptr<WestonTestbed> start(QString* error, QSize size = {1920, 1080});
    ~WestonTestbed();
    WestonTestbed(const WestonTestbed&) = delete;
    WestonTestbed& operator=(const WestonTestbed&) = delete;

    // Xwayland's X display (":2").
    QString displayName() const { return display_; }
    // The system environment of a program on this desktop: DISPLAY, WAYLAND_DISPLAY and
    // XDG_RUNTIME_DIR set as a Wayland session sets them.
    QProcessEnvironment environment() const;

  private:
    WestonTestbed() = default;

    QTemporaryDir runtimeDir_;  // created with mode 0700, as weston requires
    QProcess weston_;
    QString socket_;
    QString display_;
    _XDisplay* client_ = nullptr;  // the first X client, which starts Xwayland
};

// One Wayland desktop per test suite.
class WaylandDesktopTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    static WestonTestbed& desktop() { return *testbed_; }

  private:
    static std::unique_ptr<WestonTestbed> testbed_;
    static QString startError_;
};

}  // namespace lumenor::test
