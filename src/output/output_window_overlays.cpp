#include "output/output_window_controller.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>

#include "core/log.h"
#include "output/output_texts.h"
#include "output/output_window.h"
#include "output/pixel_exactness.h"

namespace lumenor {

namespace {

constexpr double kHintSeconds = 6.0;

}  // namespace

// Said in the log once for each display and mode, and in the banner each time it shows. On
// X11 the frames are presented in device pixels whatever Qt's scale: always one to one.
std::optional<QString> OutputWindowController::exactnessNote(const DisplayInfo& display) {
    const QScreen* screen = screenForDisplay ? screenForDisplay(display.id) : nullptr;
    if (screen == nullptr ||
        !QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        return std::nullopt;
    }
    const ModeInfo& mode = display.currentMode;
    const QSize pixels(static_cast<int>(mode.pixelWidth), static_cast<int>(mode.pixelHeight));
    std::optional<QString> note = notOneToOneOnScreen(
        pixels, QSize(static_cast<int>(mode.pointWidth), static_cast<int>(mode.pointHeight)),
        screen->geometry().size(), screen->devicePixelRatio());
    const QString key =
        QStringLiteral("%1 %2x%3").arg(display.id).arg(pixels.width()).arg(pixels.height());
    if (note && !notedInLog_.contains(key)) {
        notedInLog_.insert(key);
        qCWarning(logDisplay).noquote() << display.name << *note;
    }
    return note;
}

void OutputWindowController::showDisplayBanner(const DisplayInfo& display, bool withHideHint) {
    QString text = displayBannerText(display);
    if (const std::optional<QString> note = exactnessNote(display)) {
        text += QStringLiteral("   \u00B7   ") + *note;
    }
    hud_.setText(withHideHint ? text + QString::fromUtf8(kHideHintText) : text);
    hud_.show(withHideHint ? kHintSeconds : kBannerSeconds);
}

void OutputWindowController::showDisplayInfo(const DisplayInfo& display) {
    infoCard_.showDisplay(display);
}

void OutputWindowController::setInfoVisible(bool visible) {
    infoCard_.setShown(visible);
}

void OutputWindowController::layOutOverlays() {
    // The view fills the window, which may have been resized before the view follows it.
    const QSize size = window_ ? window_->size() : patternView_->size();
    hud_.placeIn(size);
    infoCard_.placeIn(size);
}

// Until the first frame is on screen the server is still busy mapping the window and taking
// the frame: refreshes it misses then are not the output's, and must not be counted.
void OutputWindowController::drawOverlays(QPainter& painter) {
    if (hud_.opacity() > 0.0) {
        painter.save();
        painter.setOpacity(hud_.opacity());
        hud_.render(&painter, hud_.pos(), QRegion(), QWidget::DrawChildren);
        painter.restore();
    }
    if (infoCard_.isShown()) {
        infoCard_.paintShadow(painter);
        infoCard_.render(&painter, infoCard_.pos(), QRegion(), QWidget::DrawChildren);
    }
}

}  // namespace lumenor
