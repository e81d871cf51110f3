// How soon the output follows a mode change the compositor makes: `lumenor show smpteHdBars
// --mirror` on LVDS1 of a nested GNOME compositor, LVDS2 mirrored, while the desktop's modes go
// from 1920x1080 to 1280x720 and back as its settings would change them. From the moment
// ApplyMonitorsConfig returns, it prints for each change: when Lumenor was told its window's new
// size (the first xdg_toplevel configure at it) and first committed a buffer of that size, when
// both windows had, and when the mirror, and the output outside its banner, showed the rendered
// pixels exactly. The Wayland times come from the client's WAYLAND_DEBUG log. Arguments: the
// number of changes (default 6). LUMENOR_BIN names another lumenor executable to run.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

#include "support/nested_mutter.h"
#include "support/process.h"
#include "support/xorg_testbed.h"

namespace {

using lumenor::test::NestedMutter;

constexpr int kPollMs = 10;
constexpr int kGiveUpMs = 10000;
// The banner: 460x40, centred, its bottom 36 px above the output's, with room for its shadow.
constexpr int kBannerSpan = 520;
constexpr int kBannerTop = 110;
constexpr int kBannerBottom = 20;

// The clock WAYLAND_DEBUG stamps its lines with: real time in microseconds, cut to 32 bits.
std::uint32_t waylandClockUs() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ts.tv_sec) * 1000000U +
                                      static_cast<std::uint64_t>(ts.tv_nsec) / 1000U);
}

double msSince(std::uint32_t startUs, std::uint32_t stampUs) {
    return static_cast<double>(static_cast<std::int32_t>(stampUs - startUs)) / 1000.0;
}

QImage rendered(const QString& pattern, QSize size) {
    const auto r =
        lumenor::test::runProcess(lumenor::test::lumenorBinary(),
                                  {"render", pattern, "--size",
                                   QStringLiteral("%1x%2").arg(size.width()).arg(size.height())});
    return QImage::fromData(r.out, "PNG").convertToFormat(QImage::Format_RGB32);
}

// Whether `shown` is `expected` pixel for pixel, outside `skip`.
bool same(const QImage& shown, const QImage& expected, const QRect& skip) {
    if (shown.size() != expected.size()) {
        return false;
    }
    for (int y = 0; y < shown.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(expected.constScanLine(y));
        for (int x = 0; x < shown.width(); ++x) {
            if (((a[x] ^ b[x]) & 0xffffff) != 0 && !skip.contains(x, y)) {
                return false;
            }
        }
    }
    return true;
}

// What the client's Wayland log says happened after `startUs` at `size`.
struct WaylandTimes {
    std::optional<double> configured;
    std::optional<double> firstCommit;
    std::optional<double> allCommitted;
};

// Follows buffer sizes through wl_shm_pool.create_buffer and wl_surface.attach to the commits
// of the surfaces that had a buffer before (the output's and the mirror's windows).
WaylandTimes readLog(const QString& path, std::uint32_t startUs, QSize size) {
    static const QRegularExpression line(QStringLiteral(R"(^\[\s*(\d+)\.(\d+)\]\s+(->)?\s*(.*)$)"));
    static const QRegularExpression create(QStringLiteral(
        R"(wl_shm_pool@\d+\.create_buffer\(new id wl_buffer@(\d+), \d+, (\d+), (\d+),)"));
    static const QRegularExpression attach(
        QStringLiteral(R"(wl_surface@(\d+)\.attach\(wl_buffer@(\d+),)"));
    static const QRegularExpression commit(QStringLiteral(R"(wl_surface@(\d+)\.commit\(\))"));
    static const QRegularExpression configure(
        QStringLiteral(R"(xdg_toplevel@\d+\.configure\((\d+), (\d+),)"));
    QFile file(path);
    WaylandTimes t;
    if (!file.open(QIODevice::ReadOnly)) {
        return t;
    }
    std::map<int, QSize> buffers;
    std::map<int, QSize> attached;
    std::map<int, bool> atSize;
    while (!file.atEnd()) {
        const QString text = QString::fromUtf8(file.readLine()).trimmed();
        const QRegularExpressionMatch m = line.match(text);
        if (!m.hasMatch()) {
            continue;
        }
        const auto stamp = static_cast<std::uint32_t>(m.captured(1).toULongLong() * 1000U +
                                                      m.captured(2).toULongLong());
        const double at = msSince(startUs, stamp);
        const QString call = m.captured(4);
        if (const auto c = create.match(call); c.hasMatch()) {
            buffers[c.captured(1).toInt()] = {c.captured(2).toInt(), c.captured(3).toInt()};
        } else if (const auto a = attach.match(call); a.hasMatch()) {
            attached[a.captured(1).toInt()] = buffers[a.captured(2).toInt()];
        } else if (const auto c = configure.match(call); c.hasMatch()) {
            if (at >= 0 && !t.configured &&
                QSize(c.captured(1).toInt(), c.captured(2).toInt()) == size) {
                t.configured = at;
            }
        } else if (const auto c = commit.match(call); c.hasMatch()) {
            const int surface = c.captured(1).toInt();
            if (at < 0) {
                atSize[surface] = false;
                continue;
            }
            if (attached.count(surface) != 0 && attached[surface] == size) {
                atSize[surface] = true;
                if (!t.firstCommit) {
                    t.firstCommit = at;
                }
                if (!t.allCommitted && std::count_if(atSize.begin(), atSize.end(),
                                                     [](auto& s) { return s.second; }) >= 2) {
                    t.allCommitted = at;
                }
            }
        }
    }
    return t;
}

QString figure(const std::optional<double>& ms) {
    return ms ? QString::number(*ms, 'f', 0) : QStringLiteral("-");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int changes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 6;
    QString error;
    auto x = lumenor::test::XorgTestbed::start(&error);
    if (!x || !x->plug(QStringLiteral("DUMMY1"), QStringLiteral("1920x1080_60"))) {
        std::fprintf(stderr, "virtual X server: %s\n", qPrintable(error));
        return 1;
    }
    auto mutter = NestedMutter::start(x->displayName(), &error);
    if (!mutter) {
        std::fprintf(stderr, "nested compositor: %s\n", qPrintable(error));
        return 1;
    }
    const auto listed = lumenor::test::runProcess(lumenor::test::lumenorBinary(),
                                                  {"displays", "--json"}, mutter->environment());
    const QJsonArray displays = QJsonDocument::fromJson(listed.out).array();
    if (displays.size() != 2) {
        std::fprintf(stderr, "the nested desktop shows %lld displays, not 2: %s\n",
                     static_cast<long long>(displays.size()), qPrintable(listed.err));
        return 1;
    }
    const QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("wayland.log"));
    QProcessEnvironment env = mutter->environment();
    env.insert(QStringLiteral("WAYLAND_DEBUG"), QStringLiteral("client"));
    QProcess show;
    show.setProcessEnvironment(env);
    show.setStandardOutputFile(QProcess::nullDevice());
    show.setStandardErrorFile(log);
    show.start(lumenor::test::lumenorBinary(),
               {"show", "smpteHdBars", "--display",
                QString::number(displays[0].toObject()[QStringLiteral("id")].toInteger()),
                "--mirror", "--seconds", "600"});
    const std::map<int, QImage> expected{{1920, rendered("smpteHdBars", {1920, 1080})},
                                         {1280, rendered("smpteHdBars", {1280, 720})}};
    QElapsedTimer wait;
    wait.start();
    while (!same(mutter->capture({0, 0, 1920, 1080}), expected.at(1920), {}) &&
           wait.elapsed() < 20000) {
        QThread::msleep(100);
    }
    std::printf("%-6s %11s %12s %12s %10s %10s   (ms after ApplyMonitorsConfig returned)\n", "to",
                "configured", "first commit", "both commit", "mirror", "output");
    for (int i = 0; i < changes; ++i) {
        const int w = i % 2 == 0 ? 1280 : 1920;
        const int h = w == 1280 ? 720 : 1080;
        const QString mode = QStringLiteral("%1x%2@60.000").arg(w).arg(h);
        if (!mutter->applyModes({{"LVDS1", mode}, {"LVDS2", mode}})) {
            std::fprintf(stderr, "the compositor refused %s\n", qPrintable(mode));
            return 1;
        }
        const std::uint32_t start = waylandClockUs();
        QElapsedTimer t;
        t.start();
        const QImage& want = expected.at(w);
        const QRect banner((w - kBannerSpan) / 2, h - kBannerTop, kBannerSpan,
                           kBannerTop - kBannerBottom);
        std::optional<double> mirror;
        std::optional<double> output;
        while ((!mirror || !output) && t.elapsed() < kGiveUpMs) {
            if (!mirror && same(mutter->capture({w, 0, w, h}), want, {})) {
                mirror = static_cast<double>(t.nsecsElapsed()) / 1e6;
            }
            if (!output && same(mutter->capture({0, 0, w, h}), want, banner)) {
                output = static_cast<double>(t.nsecsElapsed()) / 1e6;
            }
            QThread::msleep(kPollMs);
        }
        // Settled, so that the next change starts from a still desktop and a faded banner.
        QThread::sleep(5);
        const WaylandTimes times = readLog(log, start, {w, h});
        std::printf("%-6s %11s %12s %12s %10s %10s\n", qPrintable(QStringLiteral("%1").arg(w)),
                    qPrintable(figure(times.configured)), qPrintable(figure(times.firstCommit)),
                    qPrintable(figure(times.allCommitted)), qPrintable(figure(mirror)),
                    qPrintable(figure(output)));
        std::fflush(stdout);
    }
    show.kill();
    show.waitForFinished();
    return 0;
}
