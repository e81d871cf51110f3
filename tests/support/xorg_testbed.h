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

namespace lumenor::test {

// A virtual multi-head X server (Xorg with the dummy driver) on a free display number.
// Outputs DUMMY0 … DUMMY15; DUMMY0 starts active at 1920x1080_60. The server is stopped and
// its files removed when the object goes, and it dies with the test process if that crashes.
class XorgTestbed {
  public:
    struct Modeline {
        QString name;
        QString timings;  // "148.50 1920 2008 2052 2200 1080 1084 1089 1125 +hsync +vsync"
    };
    static std::vector<Modeline> defaultModelines();

    // `serverArguments` go to Xorg as well, e.g. {"-extension", "MIT-SHM"} to start it
    // without shared memory. `depth` is the screen's: 24, or 30 for ten bits a channel.
    static std::unique_ptr<XorgTestbed> start(QString* error,
                                              std::vector<Modeline> modelines = defaultModelines(),
                                              const QStringList& serverArguments = {},
                                              int depth = 24);
    ~XorgTestbed();
    XorgTestbed(const XorgTestbed&) = delete;
    XorgTestbed& operator=(const XorgTestbed&) = delete;

    QString displayName() const { return QStringLiteral(":%1").arg(display_); }
    int depth() const { return depth_; }
    // The system environment pointed at this server, with no Wayland display.
    QProcessEnvironment environment() const;

    // Runs xrandr with these arguments against this server.
    bool xrandr(const QStringList& args, QString* output = nullptr) const;
    // Makes `mode` available on `output` and shows it there, right of `rightOf`.
    bool plug(const QString& output, const QString& mode, const QString& rightOf = "DUMMY0") const;
    bool unplug(const QString& output) const;
    // Makes the server probe its outputs (what a real hot-plug triggers).
    bool probe() const;
    bool setMode(const QString& output, const QString& mode) const;
    bool setPhysicalSize(const QString& output, int widthMM, int heightMM) const;
    // Sets the output's EDID property to a block carrying `monitorName`.
    bool setEdidName(const QString& output, const QString& monitorName) const;
    bool removeEdid(const QString& output) const;
    // Sets a 32-bit integer output property, as a server or driver would.
    bool setOutputInteger(const QString& output, const char* property, long value) const;
    // The RandR output id of a connector, or 0.
    unsigned long outputId(const QString& output) const;
    // The RandR id of the mode named `name`, or 0.
    unsigned long modeId(const QString& name) const;
    // Adds a mode to the server (not to any output), as `xrandr --newmode` does; true also
    // when the server has a mode of that name already.
    bool newMode(const Modeline& mode) const;
    struct Head {
        QRect geometry;  // the CRTC's rectangle in root coordinates
        QString mode;    // the name of the mode it shows
        unsigned long modeId = 0;
    };
    // What an output shows now; none when it drives no CRTC.
    std::optional<Head> head(const QString& output) const;
    // The name of the mode an output shows; empty when it drives no CRTC.
    QString modeOf(const QString& output) const {
        const auto h = head(output);
        return h ? h->mode : QString();
    }
    // The X screen's size in pixels.
    QSize screenSize() const;
    // Back to DUMMY0 alone at 1920x1080_60, every other output off and without EDID.
    bool reset() const;

    struct WindowInfo {
        unsigned long id;
        QRect geometry;  // in root coordinates
    };
    // The first viewable window titled exactly `title`, waiting for it up to `timeoutMs`.
    std::optional<WindowInfo> findWindow(const QString& title, int timeoutMs = 10000) const;
    // Asks a window to close as a window manager would (WM_DELETE_WINDOW).
    bool requestClose(unsigned long window) const;

    // The pixels of the root window in `area` (what every head shows there), as RGB32; at
    // depth 30, each channel's top 8 bits.
    QImage capture(const QRect& area) const;
    // The same pixels as the server keeps them: RGB32 at depth 24, RGB30 at depth 30.
    QImage captureDeep(const QRect& area) const;

    // A 128-byte EDID base block naming the monitor.
    static QByteArray edidWithName(const QString& monitorName);

  private:
    XorgTestbed() = default;

    QTemporaryDir dir_;
    QProcess server_;
    int display_ = -1;
    int depth_ = 24;
};

// The first viewable window titled exactly `title` on the X display `displayName`, waiting for
// it up to `timeoutMs`.
std::optional<XorgTestbed::WindowInfo> findWindowOn(const QString& displayName,
                                                    const QString& title, int timeoutMs = 10000);
// The pixels of `window` (0: the root window) on that display in `area` of the window, as
// RGB32; a null image when the server refuses (a rootless Xwayland's root has no pixels).
QImage captureWindow(const QString& displayName, unsigned long window, const QRect& area);
QImage captureWindowDeep(const QString& displayName, unsigned long window, const QRect& area);

// One pixel of a deep capture as 10-bit codes; 8-bit pixels are widened with their top bits
// repeated, as a 10-bit reader sees them.
struct TenBits {
    int r = 0;
    int g = 0;
    int b = 0;
    friend bool operator==(const TenBits&, const TenBits&) = default;
};
TenBits tenBitsAt(const QImage& deep, int x, int y);

// One server per test suite; every test starts from reset(). A suite that needs a server
// started otherwise defines its own SetUpTestSuite calling startServer.
class XServerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    static void startServer(const QStringList& serverArguments, int depth = 24);
    // Runs the suite's tests on a server of `depth` from here on, starting one if the server
    // running has another; for suites that run their tests at both depths.
    static void useDepth(int depth);
    void SetUp() override;

    static XorgTestbed& x() { return *testbed_; }

  private:
    static std::unique_ptr<XorgTestbed> testbed_;
    static QString startError_;
};

}  // namespace lumenor::test
