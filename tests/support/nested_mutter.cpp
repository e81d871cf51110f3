#include "support/nested_mutter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <sys/prctl.h>
#include <csignal>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "support/process.h"

namespace lumenor::test {

namespace {

const QString kDefaultMode = QStringLiteral("1920x1080@60.000");

QByteArray readLog(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void stop(QProcess& p) {
    if (p.state() != QProcess::NotRunning) {
        p.terminate();
        if (!p.waitForFinished(5000)) {
            p.kill();
            p.waitForFinished(5000);
        }
    }
}

}  // namespace

std::unique_ptr<NestedMutter> NestedMutter::start(const QString& xDisplay, QString* error,
                                                  const Options& options) {
    std::unique_ptr<NestedMutter> bed(new NestedMutter());
    if (!bed->runtimeDir_.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return nullptr;
    }
    bed->xDisplay_ = options.headlessMonitor ? QString() : xDisplay;

    bed->bus_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    bed->bus_.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"),
                     QStringLiteral("--print-address")});
    // The daemon prints its address once it listens.
    if (!bed->bus_.waitForStarted(10000) || !bed->bus_.waitForReadyRead(10000)) {
        *error = QStringLiteral("dbus-daemon did not start: %1")
                     .arg(QString::fromLocal8Bit(bed->bus_.readAllStandardError()));
        return nullptr;
    }
    bed->busAddress_ = QString::fromLocal8Bit(bed->bus_.readLine()).trimmed();

    bed->socket_ = QStringLiteral("lumenor-mutter-%1").arg(QCoreApplication::applicationPid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), bed->runtimeDir_.path());
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bed->busAddress_);
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    QStringList args{QStringLiteral("--wayland"), QStringLiteral("--no-x11"),
                     QStringLiteral("--wayland-display"), bed->socket_};
    if (options.headlessMonitor) {
        env.remove(QStringLiteral("DISPLAY"));
        args << QStringLiteral("--headless") << QStringLiteral("--virtual-monitor")
             << QStringLiteral("%1x%2")
                    .arg(options.headlessMonitor->width())
                    .arg(options.headlessMonitor->height());
    } else {
        env.insert(QStringLiteral("DISPLAY"), xDisplay);
        env.insert(QStringLiteral("MUTTER_DEBUG_NUM_DUMMY_MONITORS"),
                   QString::number(options.monitors));
        env.insert(QStringLiteral("MUTTER_DEBUG_DUMMY_MONITOR_SCALES"), options.scales);
        env.insert(QStringLiteral("MUTTER_DEBUG_DUMMY_MODE_SPECS"), options.modeSpecs);
        args << QStringLiteral("--nested");
    }
    bed->mutter_.setProcessEnvironment(env);
    // Its log goes to a file: a pipe nobody reads once the bed is up would fill and stall it.
    const QString logPath = bed->runtimeDir_.filePath(QStringLiteral("mutter.log"));
    bed->mutter_.setProcessChannelMode(QProcess::MergedChannels);
    bed->mutter_.setStandardOutputFile(logPath);
    bed->mutter_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    bed->mutter_.start(QStringLiteral("mutter"), args);
    if (!bed->mutter_.waitForStarted(10000)) {
        *error = QStringLiteral("cannot run mutter: %1").arg(bed->mutter_.errorString());
        return nullptr;
    }
    // Up once clients can connect and the display configuration answers.
    const QString socketPath = bed->runtimeDir_.filePath(bed->socket_);
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20000 && !bed->mutter_.waitForFinished(100)) {
        bool answered = false;
        if (QFileInfo::exists(socketPath)) {
            bed->gdbus({QStringLiteral("--method"),
                        QStringLiteral("org.gnome.Mutter.DisplayConfig.GetCurrentState")},
                       &answered);
        }
        if (answered) {
            // Mutter follows the virtual server's pointer. Left where it is, a mode change may put
            // it outside every monitor, where Mutter shows its own arrow, which the capture
            // reads at LVDS1's top left corner; in LVDS1's middle it stays on a monitor at every
            // mode, with the cursor of the window there (none over Lumenor's output).
            if (!options.headlessMonitor) {
                QProcessEnvironment x = QProcessEnvironment::systemEnvironment();
                x.insert(QStringLiteral("DISPLAY"), xDisplay);
                runProcess(
                    QStringLiteral("xdotool"),
                    {QStringLiteral("mousemove"), QStringLiteral("512"), QStringLiteral("384")}, x);
            }
            return bed;
        }
    }
    *error = QStringLiteral("mutter did not come up:\n%1")
                 .arg(QString::fromLocal8Bit(readLog(logPath).right(2000)));
    return nullptr;
}

NestedMutter::~NestedMutter() {
    stop(mutter_);
    stop(bus_);
}

QProcessEnvironment NestedMutter::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), socket_);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir_.path());
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress_);
    return env;
}

QString NestedMutter::gdbus(const QStringList& args, bool* ok) const {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress_);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("gdbus"),
            QStringList{QStringLiteral("call"), QStringLiteral("--session"),
                        QStringLiteral("--dest"), QStringLiteral("org.gnome.Mutter.DisplayConfig"),
                        QStringLiteral("--object-path"),
                        QStringLiteral("/org/gnome/Mutter/DisplayConfig")} +
                args);
    const bool finished = p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit;
    if (ok != nullptr) {
        *ok = finished && p.exitCode() == 0;
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

QString NestedMutter::currentState() const {
    return gdbus({QStringLiteral("--method"),
                  QStringLiteral("org.gnome.Mutter.DisplayConfig.GetCurrentState")});
}

QString NestedMutter::currentMode(const QString& connector) const {
    const QString state = currentState();
    // Each monitor's part starts with its spec, (('LVDS1', vendor, product, serial), …
    const qsizetype start = state.indexOf(QStringLiteral("(('%1',").arg(connector));
    if (start < 0) {
        return {};
    }
    const qsizetype next = state.indexOf(QStringLiteral("(('"), start + 1);
    const QString part = state.mid(start, next < 0 ? -1 : next - start);
    static const QRegularExpression current(QStringLiteral(
        R"(\('([^']+)', \d+, \d+, [\d.]+, [\d.]+, \[[^\]]*\], \{[^}]*'is-current': <true>)"));
    return current.match(part).captured(1);
}

double NestedMutter::scale(const QString& connector) const {
    // A logical monitor: (x, y, scale, transform, primary, [('LVDS1', …
    const QRegularExpression logical(
        QStringLiteral(R"(\(-?\d+, -?\d+, ([\d.]+), (?:uint32 )?\d+, (?:true|false), \[\('%1',)")
            .arg(connector));
    return logical.match(currentState()).captured(1).toDouble();
}

bool NestedMutter::applyModes(const std::vector<std::pair<QString, QString>>& connectorModes,
                              const std::vector<double>& scales) const {
    static const QRegularExpression size(QStringLiteral(R"(^(\d+)x)"));
    QStringList logical;
    int x = 0;
    for (const auto& [connector, mode] : connectorModes) {
        const std::size_t i = static_cast<std::size_t>(logical.size());
        logical << QStringLiteral("(%1, 0, %2, 0, %3, [('%4', '%5', @a{sv} {})])")
                       .arg(x)
                       .arg(i < scales.size() ? scales[i] : 1.0, 0, 'f', 1)
                       .arg(logical.isEmpty() ? QStringLiteral("true") : QStringLiteral("false"),
                            connector, mode);
        x += size.match(mode).captured(1).toInt();
    }
    const QString serial =
        QRegularExpression(QStringLiteral(R"(^\(uint32 (\d+),)")).match(currentState()).captured(1);
    bool ok = false;
    gdbus({QStringLiteral("--method"),
           QStringLiteral("org.gnome.Mutter.DisplayConfig.ApplyMonitorsConfig"), serial,
           QStringLiteral("1"), QStringLiteral("[%1]").arg(logical.join(QStringLiteral(", "))),
           QStringLiteral("@a{sv} {}")},
          &ok);
    return ok;
}

std::optional<XorgTestbed::WindowInfo> NestedMutter::window(int timeoutMs) const {
    if (xDisplay_.isEmpty()) {
        return std::nullopt;
    }
    // Mutter names its window only in _NET_WM_NAME, which the X server tests' lookup by
    // WM_NAME does not read.
    for (int waited = 0; waited <= timeoutMs; waited += 100) {
        Display* dpy = XOpenDisplay(xDisplay_.toLocal8Bit().constData());
        if (dpy == nullptr) {
            return std::nullopt;
        }
        std::optional<XorgTestbed::WindowInfo> found;
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count) != 0) {
            const Atom netName = XInternAtom(dpy, "_NET_WM_NAME", False);
            const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
            for (unsigned int i = 0; i < count && !found; ++i) {
                Atom type = 0;
                int format = 0;
                unsigned long items = 0;
                unsigned long left = 0;
                unsigned char* name = nullptr;
                XWindowAttributes attrs{};
                if (XGetWindowProperty(dpy, children[i], netName, 0, 64, False, utf8, &type,
                                       &format, &items, &left, &name) == Success &&
                    name != nullptr &&
                    QByteArray(reinterpret_cast<const char*>(name)) == "mutter" &&
                    XGetWindowAttributes(dpy, children[i], &attrs) != 0 &&
                    attrs.map_state == IsViewable) {
                    found = XorgTestbed::WindowInfo{
                        children[i], QRect(attrs.x, attrs.y, attrs.width, attrs.height)};
                }
                XFree(name);
            }
            XFree(children);
        }
        XCloseDisplay(dpy);
        if (found) {
            return found;
        }
        QThread::msleep(100);
    }
    return std::nullopt;
}

QImage NestedMutter::capture(const QRect& area) const {
    const auto w = window();
    return w ? captureWindow(xDisplay_, w->id, area) : QImage();
}

std::unique_ptr<XorgTestbed> NestedMutterTest::x_;
std::unique_ptr<NestedMutter> NestedMutterTest::mutter_;
QString NestedMutterTest::startError_;

void NestedMutterTest::SetUpTestSuite() {
    x_ = XorgTestbed::start(&startError_);
    if (!x_) {
        return;
    }
    // Room on the X screen for both monitors side by side, so the window can be read whole.
    if (!x_->plug(QStringLiteral("DUMMY1"), QStringLiteral("1920x1080_60"))) {
        startError_ = QStringLiteral("could not plug a second head");
        return;
    }
    mutter_ = NestedMutter::start(x_->displayName(), &startError_);
}

void NestedMutterTest::TearDownTestSuite() {
    mutter_.reset();
    x_.reset();
}

void NestedMutterTest::SetUp() {
    ASSERT_TRUE(mutter_ != nullptr) << "nested GNOME desktop: " << startError_.toStdString();
    if (mutter_->currentMode(QStringLiteral("LVDS1")) != kDefaultMode ||
        mutter_->currentMode(QStringLiteral("LVDS2")) != kDefaultMode ||
        mutter_->scale(QStringLiteral("LVDS2")) != 1.0) {
        ASSERT_TRUE(mutter_->applyModes(
            {{QStringLiteral("LVDS1"), kDefaultMode}, {QStringLiteral("LVDS2"), kDefaultMode}}));
    }
}

}  // namespace lumenor::test
