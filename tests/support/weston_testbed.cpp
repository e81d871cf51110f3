#include "support/weston_testbed.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>

#include <sys/prctl.h>
#include <csignal>

#include <X11/Xlib.h>

namespace lumenor::test {

namespace {

QByteArray readLog(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

std::unique_ptr<WestonTestbed> WestonTestbed::start(QString* error, QSize size) {
    std::unique_ptr<WestonTestbed> bed(new WestonTestbed());
    if (!bed->runtimeDir_.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return nullptr;
    }
    bed->socket_ = QStringLiteral("lumenor-test-%1").arg(QCoreApplication::applicationPid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), bed->runtimeDir_.path());
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    bed->weston_.setProcessEnvironment(env);
    // Its log goes to a file: a pipe nobody reads once the bed is up would fill and stall it.
    const QString logPath = bed->runtimeDir_.filePath(QStringLiteral("weston.log"));
    bed->weston_.setProcessChannelMode(QProcess::MergedChannels);
    bed->weston_.setStandardOutputFile(logPath);
    bed->weston_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    bed->weston_.start(
        QStringLiteral("weston"),
        {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--use-pixman"),
         QStringLiteral("--width=%1").arg(size.width()),
         QStringLiteral("--height=%1").arg(size.height()),
         QStringLiteral("--socket=%1").arg(bed->socket_), QStringLiteral("--xwayland"),
         QStringLiteral("--idle-time=0")});
    if (!bed->weston_.waitForStarted(10000)) {
        *error = QStringLiteral("cannot run weston: %1").arg(bed->weston_.errorString());
        return nullptr;
    }
    // Weston names the X display once it listens for X clients, and starts Xwayland and its
    // window manager for the first one. A window mapped before the manager runs is never made
    // full screen, so the test bed waits for it.
    const QRegularExpression listening(QStringLiteral("xserver listening on display (:\\d+)"));
    QByteArray log;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20000 && !bed->weston_.waitForFinished(100)) {
        log = readLog(logPath);
        if (bed->display_.isEmpty()) {
            const QRegularExpressionMatch m = listening.match(QString::fromLocal8Bit(log));
            if (m.hasMatch()) {
                bed->display_ = m.captured(1);
                bed->client_ = XOpenDisplay(bed->display_.toLocal8Bit().constData());
            }
        } else if (log.contains("created wm")) {
            return bed;
        }
    }
    *error = QStringLiteral("weston did not start Xwayland and its window manager:\n%1")
                 .arg(QString::fromLocal8Bit(readLog(logPath).right(2000)));
    return nullptr;
}

WestonTestbed::~WestonTestbed() {
    if (client_ != nullptr) {
        XCloseDisplay(client_);
    }
    if (weston_.state() != QProcess::NotRunning) {
        weston_.terminate();
        if (!weston_.waitForFinished(5000)) {
            weston_.kill();
            weston_.waitForFinished(5000);
        }
    }
}

QProcessEnvironment WestonTestbed::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display_);
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), socket_);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir_.path());
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return env;
}

std::unique_ptr<WestonTestbed> WaylandDesktopTest::testbed_;
QString WaylandDesktopTest::startError_;

void WaylandDesktopTest::SetUpTestSuite() {
    testbed_ = WestonTestbed::start(&startError_);
}

void WaylandDesktopTest::TearDownTestSuite() {
    testbed_.reset();
}

void WaylandDesktopTest::SetUp() {
    ASSERT_TRUE(testbed_ != nullptr) << "Wayland desktop: " << startError_.toStdString();
}

}  // namespace lumenor::test
