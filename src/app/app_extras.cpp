#include <QImageReader>
#include <QJsonObject>

#include <algorithm>
#include <array>
#include <cmath>

#include "app/app_delegate.h"
#include "core/log.h"
#include "app/display_report.h"
#include "controller/page_calls.h"
#include "displays/display_modes.h"

namespace lumenor {

namespace {

constexpr const char* kSyncOffsetKey = "syncOffsetMs";

constexpr std::array<Pattern, 6> kAutoCycleList = {Pattern::white, Pattern::black, Pattern::grey50,
                                                   Pattern::red,   Pattern::green, Pattern::blue};

// Held to the range the page offers, whatever reaches the bridge: a shorter interval turns
// the solid fields into a strobe (a hazard to viewers), a value that is not a number would
// give a timer that never fires.
int intervalMs(double seconds) {
    constexpr double kShortest = 0.5;
    constexpr double kLongest = 3600.0;
    if (!std::isfinite(seconds)) {
        seconds = kShortest;
    }
    return static_cast<int>(std::lround(std::clamp(seconds, kShortest, kLongest) * 1000.0));
}

double heldSyncOffset(double ms) {
    constexpr double kLargest = OutputWindowController::kLargestSyncOffsetMs;
    return std::clamp(std::isfinite(ms) ? ms : 0.0, -kLargest, kLargest);
}

}  // namespace

void AppDelegate::startAutoCycle() {
    const std::optional<DisplayInfo> d = resolveOutputDisplay();
    if (!d) {
        return;
    }
    if (!state.outputVisible) {
        showOutputOn(*d, Pattern::white);
    }
    state.autoCycleOn = true;
    send(QLatin1String(pagecalls::kAutoCycleOn));
    autoCycleIndex_ = 0;
    advanceAutoCycle();
    autoCycleTimer_ = std::make_unique<QTimer>();
    autoCycleTimer_->setTimerType(Qt::PreciseTimer);
    autoCycleTimer_->setInterval(intervalMs(state.autoCycleInterval));
    QObject::connect(autoCycleTimer_.get(), &QTimer::timeout, [this] { advanceAutoCycle(); });
    autoCycleTimer_->start();
}

void AppDelegate::advanceAutoCycle() {
    const Pattern p =
        kAutoCycleList[static_cast<std::size_t>(autoCycleIndex_) % kAutoCycleList.size()];
    ++autoCycleIndex_;
    state.activePattern = p;
    output.setPattern(p);
    send(pagecalls::patternChanged(rawName(p)));
}

void AppDelegate::stopAutoCycle() {
    if (!state.autoCycleOn && !autoCycleTimer_) {
        return;
    }
    autoCycleTimer_.reset();
    state.autoCycleOn = false;
    send(QLatin1String(pagecalls::kAutoCycleOff));
}

void AppDelegate::systemDidWake() {
    displayService.refresh();
    if (!state.outputVisible) {
        return;
    }
    if (const std::optional<DisplayInfo> d = resolveOutputDisplay()) {
        output.reposition(*d);
        if (state.mirrorAll) {
            output.setMirrorOn(true);
            output.rebuildMirrors();
        }
    }
}

void AppDelegate::copyReport() {
    const QString report = buildReport(
        state.displays, [this](DisplayId id) { return modesForDisplay(*platforms_.mode, id); },
        displayService.seenThroughXwayland());
    if (platforms_.copyToClipboard) {
        platforms_.copyToClipboard(report);
    }
    send(QLatin1String(pagecalls::kReportCopied));
}

void AppDelegate::setRemote(bool on) {
    if (on) {
        remote.start([this](const std::optional<QString>& url, const QString& pin,
                            const std::optional<QString>& qr) { pushRemoteStatus(url, pin, qr); });
        return;
    }
    remote.stop();
    send(pagecalls::remoteStatus(QJsonObject{{QStringLiteral("on"), false},
                                             {QStringLiteral("requested"), false},
                                             {QStringLiteral("url"), QString()},
                                             {QStringLiteral("pin"), QString()},
                                             {QStringLiteral("qr"), QString()}}));
}

void AppDelegate::pushRemoteStatus(const std::optional<QString>& url, const QString& pin,
                                   const std::optional<QString>& qr) {
    send(pagecalls::remoteStatus(QJsonObject{{QStringLiteral("on"), url.has_value()},
                                             {QStringLiteral("requested"), true},
                                             {QStringLiteral("url"), url.value_or(QString())},
                                             {QStringLiteral("pin"), pin},
                                             {QStringLiteral("qr"), qr.value_or(QString())}}));
}

void AppDelegate::pickSlateLogo() {
    if (!platforms_.pickSlateImage) {
        return;
    }
    platforms_.pickSlateImage([this](const std::optional<QString>& path) {
        if (path) {
            useSlateImage(*path);
        }
    });
}

void AppDelegate::useSlateImage(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        qCCritical(logApp, "slate logo could not be decoded");
        return;
    }
    output.setSlateImage(image);
    putOnOutput(Pattern::slate);
}

void AppDelegate::setSyncOffset(double ms) {
    state.syncOffsetMs = heldSyncOffset(ms);
    output.setSyncOffsetMs(state.syncOffsetMs);
    if (platforms_.preferences) {
        platforms_.preferences->setValue(QLatin1String(kSyncOffsetKey), state.syncOffsetMs);
        platforms_.preferences->sync();
    }
    send(pagecalls::syncOffsetChanged(state.syncOffsetMs));
}

// Settings from before the offset existed have no value, which reads as none; a value that
// is not a number reads as none too rather than stopping the launch.
void AppDelegate::restoreSyncOffset() {
    double ms = 0.0;
    if (platforms_.preferences) {
        bool ok = false;
        ms = platforms_.preferences->value(QLatin1String(kSyncOffsetKey), 0.0).toDouble(&ok);
        if (!ok) {
            ms = 0.0;
        }
    }
    state.syncOffsetMs = heldSyncOffset(ms);
    output.setSyncOffsetMs(state.syncOffsetMs);
}

}  // namespace lumenor
