#pragma once

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QString>
#include <QTransform>

#include <chrono>
#include <optional>

#include <sys/stat.h>

#include "support/process.h"
#include "support/xorg_testbed.h"

namespace lumenor::test {

// What a patch should look like on a head: `colour` in `box` (device pixels of the head),
// `background` everywhere else; colours as the server's pixel words (see pixelWord).
struct ExpectedPatch {
    quint32 colour;
    quint32 background;
    QRect box;
};

// A colour of `bits` bits a channel as a pixel of the server at that depth (8: 24, 10: 30).
inline quint32 pixelWord(int r, int g, int b, int bits) {
    return static_cast<quint32>(r << (2 * bits) | g << bits | b);
}

// The box a patch at `window` (fractions of the head) covers on a head of `size`.
inline QRect patchBox(QSize size, const QRectF& window) {
    const QTransform scale = QTransform::fromScale(size.width(), size.height());
    return QRect(scale.map(window.topLeft()).toPoint(),
                 scale.map(window.bottomRight()).toPoint() - QPoint(1, 1));
}

// True when a line across and a line down the head, through the box's centre, show exactly
// the expected patch (which checks its value, place and size), at every bit the server keeps.
inline bool headShows(const XorgTestbed& x, const QRect& head, const ExpectedPatch& p) {
    const QPoint centre = p.box.center();
    const QImage across = x.captureDeep(QRect(head.x(), head.y() + centre.y(), head.width(), 1));
    const QImage down = x.captureDeep(QRect(head.x() + centre.x(), head.y(), 1, head.height()));
    if (across.isNull() || down.isNull()) {
        return false;
    }
    const quint32 mask = x.depth() == 30 ? 0x3FFFFFFF : 0xFFFFFF;
    // Each pixel of `line`, `length` long, is the colour from `first` to `last` and the
    // background elsewhere.
    const auto matches = [&](const QImage& line, int length, int first, int last) {
        const auto* words = reinterpret_cast<const quint32*>(line.constBits());
        for (int i = 0; i < length; ++i) {
            if ((words[i] & mask) != ((i >= first && i <= last ? p.colour : p.background) & mask)) {
                return false;
            }
        }
        return true;
    };
    return matches(across, head.width(), p.box.left(), p.box.right()) &&
           matches(down, head.height(), p.box.top(), p.box.bottom());
}

// Waits until the head shows the patch; false when `deadline` passes first.
inline bool headShowsBy(const XorgTestbed& x, const QRect& head, const ExpectedPatch& p,
                        std::chrono::steady_clock::time_point deadline) {
    do {
        if (headShows(x, head, p)) {
            return true;
        }
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

// The next line a process writes on standard output, or an empty string after `timeoutMs`.
inline QString nextLine(QProcess& p, int timeoutMs = 10000) {
    while (!p.canReadLine()) {
        if (!p.waitForReadyRead(timeoutMs)) {
            return {};
        }
    }
    return QString::fromUtf8(p.readLine()).trimmed();
}

// The parts of one "patch ..." line of `lumenor calibrate`.
struct PatchLine {
    QString colour;
    int bits = 0;
    double latencyMs = -1.0;
};

inline std::optional<PatchLine> parsePatchLine(const QString& line) {
    static const QRegularExpression form(
        "^patch (\\d+,\\d+,\\d+) background \\d+,\\d+,\\d+ bits (\\d+) window [0-9. ]+ "
        "time [0-9.]+ s latency (-?[0-9.]+) ms$");
    const QRegularExpressionMatch m = form.match(line);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    return PatchLine{m.captured(1), m.captured(2).toInt(), m.captured(3).toDouble()};
}

// Log lines reach standard error only where there is no journal to take them.
inline bool logsOnStandardError() {
    struct stat st {};
    return ::stat("/run/systemd/journal/socket", &st) != 0;
}

// Runs `lumenor calibrate` on the virtual X server.
class CalibrateTest : public XServerTest {
  protected:
    void startLumenor(const QStringList& args) {
        lumenor_.setProcessEnvironment(x().environment());
        lumenor_.start(lumenorBinary(), QStringList{"calibrate"} + args);
        ASSERT_TRUE(lumenor_.waitForStarted());
        ASSERT_TRUE(x().findWindow("Lumenor output"));
        head_ = x().head("DUMMY0")->geometry;
    }
    void TearDown() override {
        if (lumenor_.state() != QProcess::NotRunning) {
            lumenor_.kill();
            lumenor_.waitForFinished();
        }
    }
    QProcess lumenor_;
    QRect head_;
};

}  // namespace lumenor::test
