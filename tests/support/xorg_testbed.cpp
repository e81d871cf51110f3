#include "support/xorg_testbed.h"

#include <QDir>
#include <QFile>
#include <QTextStream>
#include <QThread>

#include <sys/prctl.h>
#include <csignal>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

namespace lumenor::test {

namespace {

QString configText(const std::vector<XorgTestbed::Modeline>& modelines, int depth) {
    QString text;
    QTextStream s(&text);
    s << "Section \"ServerFlags\"\n"
         "    Option \"AutoAddDevices\" \"false\"\n"
         "    Option \"AutoEnableDevices\" \"false\"\n"
         "    Option \"DontVTSwitch\" \"true\"\n"
         "    Option \"AllowMouseOpenFail\" \"true\"\n"
         "    Option \"PciForceNone\" \"true\"\n"
         "EndSection\n"
         "Section \"Device\"\n"
         "    Identifier \"dummy\"\n"
         "    Driver \"dummy\"\n"
         "    VideoRam 512000\n"
         "EndSection\n"
         "Section \"Monitor\"\n"
         "    Identifier \"monitor\"\n"
         "    HorizSync 5.0 - 1000.0\n"
         "    VertRefresh 5.0 - 200.0\n";
    for (const auto& m : modelines) {
        s << "    Modeline \"" << m.name << "\" " << m.timings << "\n";
    }
    s << "EndSection\n"
         "Section \"Screen\"\n"
         "    Identifier \"screen\"\n"
         "    Device \"dummy\"\n"
         "    Monitor \"monitor\"\n"
         "    DefaultDepth "
      << depth
      << "\n"
         "    SubSection \"Display\"\n"
         "        Depth "
      << depth
      << "\n"
         "        Modes \""
      << modelines.front().name
      << "\"\n"
         "        Virtual 7680 4320\n"
         "    EndSubSection\n"
         "EndSection\n";
    return text;
}

// Runs `f` with a fresh connection to the server; false when it cannot connect.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

template <typename F>
bool withDisplay(const QString& name, F f) {
    // Requests about outputs that vanished meanwhile are fine to lose.
    XSetErrorHandler(ignoreXError);
    Display* dpy = XOpenDisplay(name.toLocal8Bit().constData());
    if (dpy == nullptr) {
        return false;
    }
    const bool ok = f(dpy);
    XSync(dpy, False);
    XCloseDisplay(dpy);
    return ok;
}

RROutput findOutput(Display* dpy, const QString& output) {
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(dpy, DefaultRootWindow(dpy));
    if (res == nullptr) {
        return None;
    }
    RROutput found = None;
    for (int i = 0; i < res->noutput && found == None; ++i) {
        XRROutputInfo* info = XRRGetOutputInfo(dpy, res, res->outputs[i]);
        if (info != nullptr && QString::fromLatin1(info->name, info->nameLen) == output) {
            found = res->outputs[i];
        }
        XRRFreeOutputInfo(info);
    }
    XRRFreeScreenResources(res);
    return found;
}

}  // namespace

std::vector<XorgTestbed::Modeline> XorgTestbed::defaultModelines() {
    return {
        {"1920x1080_60", "148.50 1920 2008 2052 2200 1080 1084 1089 1125 +hsync +vsync"},
        {"1920x1080_59.94", "148.35 1920 2008 2052 2200 1080 1084 1089 1125 +hsync +vsync"},
        {"1920x1080_50", "148.50 1920 2448 2492 2640 1080 1084 1089 1125 +hsync +vsync"},
        {"1280x720_60", "74.25 1280 1390 1430 1650 720 725 730 750 +hsync +vsync"},
        {"3840x2160_30", "297.00 3840 4016 4104 4400 2160 2168 2178 2250 +hsync +vsync"},
    };
}

std::unique_ptr<XorgTestbed> XorgTestbed::start(QString* error, std::vector<Modeline> modelines,
                                                const QStringList& serverArguments, int depth) {
    std::unique_ptr<XorgTestbed> bed(new XorgTestbed());
    if (!bed->dir_.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return nullptr;
    }
    const QString config = bed->dir_.filePath(QStringLiteral("xorg.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) || file.write(configText(modelines, depth).toUtf8()) < 0) {
        *error = QStringLiteral("cannot write %1").arg(config);
        return nullptr;
    }
    file.close();
    const QString configDir = bed->dir_.filePath(QStringLiteral("conf.d"));
    QDir().mkpath(configDir);

    // The server dies with us, whatever ends the test process.
    bed->server_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    bed->server_.setStandardErrorFile(bed->dir_.filePath(QStringLiteral("stderr.log")));
    const QStringList arguments =
        QStringList{QStringLiteral("-displayfd"), QStringLiteral("1"),
                    QStringLiteral("-config"),    config,
                    QStringLiteral("-configdir"), configDir,
                    QStringLiteral("-logfile"),   bed->dir_.filePath(QStringLiteral("Xorg.log")),
                    QStringLiteral("-noreset"),   QStringLiteral("-nolisten"),
                    QStringLiteral("tcp"),        QStringLiteral("-novtswitch"),
                    QStringLiteral("-quiet")} +
        serverArguments;
    bed->server_.start(QStringLiteral("Xorg"), arguments);
    if (!bed->server_.waitForStarted(10000)) {
        *error = QStringLiteral("cannot run Xorg: %1").arg(bed->server_.errorString());
        return nullptr;
    }
    QByteArray number;
    while (!number.contains('\n')) {
        if (!bed->server_.waitForReadyRead(20000)) {
            QFile log(bed->dir_.filePath(QStringLiteral("Xorg.log")));
            log.open(QIODevice::ReadOnly);
            *error = QStringLiteral("Xorg did not start:\n%1")
                         .arg(QString::fromLocal8Bit(log.readAll().right(2000)));
            return nullptr;
        }
        number += bed->server_.readAllStandardOutput();
    }
    bed->display_ = number.trimmed().toInt();
    bed->depth_ = depth;
    return bed;
}

XorgTestbed::~XorgTestbed() {
    if (server_.state() != QProcess::NotRunning) {
        server_.terminate();
        if (!server_.waitForFinished(5000)) {
            server_.kill();
            server_.waitForFinished(5000);
        }
    }
}

QProcessEnvironment XorgTestbed::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), displayName());
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return env;
}

bool XorgTestbed::xrandr(const QStringList& args, QString* output) const {
    QProcess p;
    p.setProcessEnvironment(environment());
    p.start(QStringLiteral("xrandr"), args);
    if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit) {
        return false;
    }
    if (output != nullptr) {
        *output = QString::fromLocal8Bit(p.readAllStandardOutput());
    }
    return p.exitCode() == 0;
}

bool XorgTestbed::plug(const QString& output, const QString& mode, const QString& rightOf) const {
    // --addmode fails when the output has the mode already, which is fine.
    xrandr({QStringLiteral("--addmode"), output, mode});
    return xrandr({QStringLiteral("--output"), output, QStringLiteral("--mode"), mode,
                   QStringLiteral("--right-of"), rightOf}) &&
           probe();
}

bool XorgTestbed::probe() const {
    // The dummy outputs report themselves connected only after the server probes them, as a
    // real hot-plug would make it do.
    return xrandr({QStringLiteral("--query")});
}

bool XorgTestbed::unplug(const QString& output) const {
    return xrandr({QStringLiteral("--output"), output, QStringLiteral("--off")});
}

bool XorgTestbed::setMode(const QString& output, const QString& mode) const {
    xrandr({QStringLiteral("--addmode"), output, mode});
    return xrandr({QStringLiteral("--output"), output, QStringLiteral("--mode"), mode});
}

bool XorgTestbed::setPhysicalSize(const QString& output, int widthMM, int heightMM) const {
    return xrandr({QStringLiteral("--output"), output, QStringLiteral("--set"),
                   QStringLiteral("WIDTH_MM"), QString::number(widthMM), QStringLiteral("--set"),
                   QStringLiteral("HEIGHT_MM"), QString::number(heightMM)}) &&
           probe();
}

QByteArray XorgTestbed::edidWithName(const QString& monitorName) {
    QByteArray e(128, '\0');
    const char header[8] = {0, '\xff', '\xff', '\xff', '\xff', '\xff', '\xff', 0};
    for (int i = 0; i < 8; ++i) {
        e[i] = header[i];
    }
    e[18] = 1;  // EDID 1.4
    e[19] = 4;
    // Descriptor 1: monitor name; the other three: dummy descriptors (tag 0x10).
    const int nameAt = 54;
    e[nameAt + 3] = static_cast<char>(0xFC);
    const QByteArray name = monitorName.toLatin1().left(13);
    for (int i = 0; i < 13; ++i) {
        e[nameAt + 5 + i] = i < name.size() ? name[i] : (i == name.size() ? '\x0a' : ' ');
    }
    for (const int off : {72, 90, 108}) {
        e[off + 3] = 0x10;
    }
    int sum = 0;
    for (int i = 0; i < 127; ++i) {
        sum += static_cast<unsigned char>(e[i]);
    }
    e[127] = static_cast<char>((256 - sum % 256) % 256);
    return e;
}

bool XorgTestbed::setEdidName(const QString& output, const QString& monitorName) const {
    const QByteArray edid = edidWithName(monitorName);
    return withDisplay(displayName(), [&](Display* dpy) {
        const RROutput id = findOutput(dpy, output);
        if (id == None) {
            return false;
        }
        const Atom atom = XInternAtom(dpy, "EDID", False);
        XRRChangeOutputProperty(dpy, id, atom, XA_INTEGER, 8, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(edid.constData()),
                                edid.size());
        return true;
    });
}

bool XorgTestbed::removeEdid(const QString& output) const {
    return withDisplay(displayName(), [&](Display* dpy) {
        const RROutput id = findOutput(dpy, output);
        if (id == None) {
            return false;
        }
        XRRDeleteOutputProperty(dpy, id, XInternAtom(dpy, "EDID", False));
        return true;
    });
}

bool XorgTestbed::setOutputInteger(const QString& output, const char* property, long value) const {
    return withDisplay(displayName(), [&](Display* dpy) {
        const RROutput id = findOutput(dpy, output);
        if (id == None) {
            return false;
        }
        // Xlib takes format-32 data as longs.
        XRRChangeOutputProperty(dpy, id, XInternAtom(dpy, property, False), XA_INTEGER, 32,
                                PropModeReplace, reinterpret_cast<const unsigned char*>(&value), 1);
        return true;
    });
}

unsigned long XorgTestbed::outputId(const QString& output) const {
    unsigned long id = 0;
    withDisplay(displayName(), [&](Display* dpy) {
        id = findOutput(dpy, output);
        return true;
    });
    return id;
}

unsigned long XorgTestbed::modeId(const QString& name) const {
    unsigned long id = 0;
    withDisplay(displayName(), [&](Display* dpy) {
        XRRScreenResources* res = XRRGetScreenResourcesCurrent(dpy, DefaultRootWindow(dpy));
        for (int i = 0; res != nullptr && i < res->nmode && id == 0; ++i) {
            if (QString::fromLatin1(res->modes[i].name, res->modes[i].nameLength) == name) {
                id = res->modes[i].id;
            }
        }
        XRRFreeScreenResources(res);
        return true;
    });
    return id;
}

bool XorgTestbed::newMode(const Modeline& mode) const {
    // The server keeps added modes across reset(); one added before is fine.
    return modeId(mode.name) != 0 ||
           xrandr(QStringList{QStringLiteral("--newmode"), mode.name} +
                  mode.timings.split(QLatin1Char(' '), Qt::SkipEmptyParts));
}

std::optional<XorgTestbed::Head> XorgTestbed::head(const QString& output) const {
    std::optional<Head> result;
    withDisplay(displayName(), [&](Display* dpy) {
        const RROutput id = findOutput(dpy, output);
        XRRScreenResources* res = XRRGetScreenResourcesCurrent(dpy, DefaultRootWindow(dpy));
        XRROutputInfo* out =
            id != None && res != nullptr ? XRRGetOutputInfo(dpy, res, id) : nullptr;
        if (out != nullptr && out->crtc != None) {
            XRRCrtcInfo* crtc = XRRGetCrtcInfo(dpy, res, out->crtc);
            if (crtc != nullptr && crtc->mode != None) {
                Head h;
                h.geometry = QRect(crtc->x, crtc->y, static_cast<int>(crtc->width),
                                   static_cast<int>(crtc->height));
                h.modeId = crtc->mode;
                for (int i = 0; i < res->nmode; ++i) {
                    if (res->modes[i].id == crtc->mode) {
                        h.mode = QString::fromLatin1(res->modes[i].name, res->modes[i].nameLength);
                    }
                }
                result = h;
            }
            XRRFreeCrtcInfo(crtc);
        }
        XRRFreeOutputInfo(out);
        XRRFreeScreenResources(res);
        return true;
    });
    return result;
}

QSize XorgTestbed::screenSize() const {
    QSize size;
    withDisplay(displayName(), [&](Display* dpy) {
        Window root = 0;
        int x = 0;
        int y = 0;
        unsigned int w = 0;
        unsigned int h = 0;
        unsigned int border = 0;
        unsigned int depth = 0;
        if (XGetGeometry(dpy, DefaultRootWindow(dpy), &root, &x, &y, &w, &h, &border, &depth)) {
            size = QSize(static_cast<int>(w), static_cast<int>(h));
        }
        return true;
    });
    return size;
}

bool XorgTestbed::reset() const {
    QStringList args;
    for (int i = 1; i < 16; ++i) {
        args << QStringLiteral("--output") << QStringLiteral("DUMMY%1").arg(i)
             << QStringLiteral("--off");
    }
    args << QStringLiteral("--output") << QStringLiteral("DUMMY0") << QStringLiteral("--mode")
         << QStringLiteral("1920x1080_60") << QStringLiteral("--pos") << QStringLiteral("0x0");
    bool ok = xrandr(args);
    for (int i = 0; i < 16; ++i) {
        removeEdid(QStringLiteral("DUMMY%1").arg(i));
    }
    return ok && xrandr({QStringLiteral("--fb"), QStringLiteral("1920x1080")}) && probe();
}

namespace {

Window findNamed(Display* dpy, Window w, const QByteArray& name) {
    char* wmName = nullptr;
    if (XFetchName(dpy, w, &wmName) != 0 && wmName != nullptr) {
        const bool match = name == wmName;
        XFree(wmName);
        XWindowAttributes attrs;
        if (match && XGetWindowAttributes(dpy, w, &attrs) != 0 && attrs.map_state == IsViewable) {
            return w;
        }
    }
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    Window found = None;
    if (XQueryTree(dpy, w, &root, &parent, &children, &count) != 0) {
        for (unsigned int i = 0; i < count && found == None; ++i) {
            found = findNamed(dpy, children[i], name);
        }
        XFree(children);
    }
    return found;
}

}  // namespace

std::optional<XorgTestbed::WindowInfo> XorgTestbed::findWindow(const QString& title,
                                                               int timeoutMs) const {
    return findWindowOn(displayName(), title, timeoutMs);
}

std::optional<XorgTestbed::WindowInfo> findWindowOn(const QString& displayName,
                                                    const QString& title, int timeoutMs) {
    std::optional<XorgTestbed::WindowInfo> result;
    const QByteArray name = title.toUtf8();
    for (int waited = 0; waited <= timeoutMs && !result; waited += 100) {
        withDisplay(displayName, [&](Display* dpy) {
            const Window w = findNamed(dpy, DefaultRootWindow(dpy), name);
            if (w != None) {
                XWindowAttributes attrs;
                XGetWindowAttributes(dpy, w, &attrs);
                int x = 0;
                int y = 0;
                Window child = 0;
                XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), 0, 0, &x, &y, &child);
                result = XorgTestbed::WindowInfo{w, QRect(x, y, attrs.width, attrs.height)};
            }
            return true;
        });
        if (!result) {
            QThread::msleep(100);
        }
    }
    return result;
}

bool XorgTestbed::requestClose(unsigned long window) const {
    return withDisplay(displayName(), [&](Display* dpy) {
        XEvent ev{};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = window;
        ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
        ev.xclient.data.l[1] = CurrentTime;
        return XSendEvent(dpy, window, False, NoEventMask, &ev) != 0;
    });
}

QImage XorgTestbed::capture(const QRect& area) const {
    return captureWindow(displayName(), 0, area);
}

QImage XorgTestbed::captureDeep(const QRect& area) const {
    return captureWindowDeep(displayName(), 0, area);
}

QImage captureWindow(const QString& displayName, unsigned long window, const QRect& area) {
    const QImage deep = captureWindowDeep(displayName, window, area);
    return deep.isNull() ? deep : deep.convertToFormat(QImage::Format_RGB32);
}

// Pixels of depth 24 are kept as RGB32, those of depth 30 as RGB30, both exactly as read.
QImage captureWindowDeep(const QString& displayName, unsigned long window, const QRect& area) {
    QImage out;
    withDisplay(displayName, [&](Display* dpy) {
        XImage* img = XGetImage(dpy, window != 0 ? window : DefaultRootWindow(dpy), area.x(),
                                area.y(), static_cast<unsigned>(area.width()),
                                static_cast<unsigned>(area.height()), AllPlanes, ZPixmap);
        if (img == nullptr) {
            return false;
        }
        const bool tenBits = img->red_mask == 0x3ff00000;
        out = QImage(area.width(), area.height(),
                     tenBits ? QImage::Format_RGB30 : QImage::Format_RGB32);
        for (int y = 0; y < area.height(); ++y) {
            auto* line = reinterpret_cast<quint32*>(out.scanLine(y));
            for (int x = 0; x < area.width(); ++x) {
                const unsigned long p = XGetPixel(img, x, y);
                line[x] = tenBits ? 0xC0000000u | (p & 0x3FFFFFFFu) : 0xFF000000u | (p & 0xFFFFFFu);
            }
        }
        XDestroyImage(img);
        return true;
    });
    return out;
}

TenBits tenBitsAt(const QImage& deep, int x, int y) {
    const auto p = reinterpret_cast<const quint32*>(deep.constScanLine(y))[x];
    if (deep.format() == QImage::Format_RGB30) {
        return {static_cast<int>((p >> 20) & 0x3FF), static_cast<int>((p >> 10) & 0x3FF),
                static_cast<int>(p & 0x3FF)};
    }
    // Eight bits widened as a display widens them: the top bits repeated below.
    const auto widen = [](quint32 v) { return static_cast<int>((v << 2) | (v >> 6)); };
    return {widen((p >> 16) & 0xFF), widen((p >> 8) & 0xFF), widen(p & 0xFF)};
}

std::unique_ptr<XorgTestbed> XServerTest::testbed_;
QString XServerTest::startError_;

void XServerTest::SetUpTestSuite() {
    startServer({});
}

void XServerTest::startServer(const QStringList& serverArguments, int depth) {
    if (!testbed_) {
        testbed_ = XorgTestbed::start(&startError_, XorgTestbed::defaultModelines(),
                                      serverArguments, depth);
    }
}

void XServerTest::useDepth(int depth) {
    if (testbed_ && testbed_->depth() != depth) {
        testbed_.reset();
    }
    startServer({}, depth);
}

void XServerTest::TearDownTestSuite() {
    testbed_.reset();
}

void XServerTest::SetUp() {
    ASSERT_TRUE(testbed_ != nullptr) << "virtual X server: " << startError_.toStdString();
    ASSERT_TRUE(testbed_->reset()) << "could not reset the virtual X server's heads";
}

}  // namespace lumenor::test
