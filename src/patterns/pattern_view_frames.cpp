#include "patterns/pattern_view.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTimer>
#include <QWindow>

#include <cstring>
#include <utility>

#include "core/log.h"
#include "displays/present_surface.h"
#include "displays/wayland_frame_feedback.h"
#include "displays/wayland_frame_surface.h"
#include "displays/wayland_queue.h"
#include "patterns/pattern_renderer.h"

// The pattern view's frames: drawn into the buffers of a frame surface, or painted by Qt where
// the display takes no frames of ours.
namespace lumenor {

std::uint64_t PatternView::framesPresented() const {
    if (painting_) {
        return framesPainted_;
    }
    return surface_ ? surface_->presented() : 0;
}

std::uint64_t PatternView::framesShown() {
    if (painting_) {
        // Where the compositor says when frames reach the screen, only those it has said so of:
        // a window's first frames may take a few refreshes to get there as it appears.
        if (paintedFeedback_) {
            return lastPaintedShown_ ? lastPaintedShown_->first : 0;
        }
        return framesPainted_;
    }
    return surface_ ? surface_->completed() : 0;
}

std::uint64_t PatternView::lastFrameNumber() const {
    if (painting_) {
        return paintedFeedback_ ? framesPainted_ : 0;
    }
    return surface_ ? surface_->lastSerial() : 0;
}

std::optional<std::uint64_t> PatternView::shownAt(std::uint64_t frame) {
    if (painting_) {
        if (!lastPaintedShown_ || lastPaintedShown_->first < frame) {
            return std::nullopt;
        }
        return lastPaintedShown_->second;
    }
    if (!surface_) {
        return std::nullopt;
    }
    const std::optional<FrameSurface::Completion> done = surface_->lastCompletion();
    if (!done || done->serial < frame) {
        return std::nullopt;
    }
    return done->ust;
}

int PatternView::bitsPerChannel() const {
    return surface_ && !painting_ ? surface_->bitsPerChannel() : 8;
}

// Said once a process: the first pattern with finer levels than 8 bits shown on a display
// that takes no more.
void PatternView::noteRounding(int bits) const {
    static bool noted = false;
    if (bits < 10 && !drawContent && hasTenBitLevels(pattern_) && !std::exchange(noted, true)) {
        qCInfo(logApp,
               "the display gives 8 bits a channel: 10-bit levels of the patterns are "
               "rounded to 8 bits (a display at depth 30 shows them exactly)");
    }
}

QPaintEngine* PatternView::paintEngine() const {
    return testAttribute(Qt::WA_PaintOnScreen) ? nullptr : QWidget::paintEngine();
}

// Opens the surface frames go to, or falls back to painting them; false when the window has no
// surface yet for ours to go over (asked again shortly).
bool PatternView::openSurface() {
    surfaceFrameSize_ = QSize();
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb")) {
        surface_ = PresentSurface::open(winId());
    } else if (platform.startsWith(QLatin1String("wayland"))) {
        QWindow* top = window()->windowHandle();
        if (top == nullptr || waylandSurface(top) == nullptr) {
            QTimer::singleShot(20, this, [this] { requestRedraw(); });
            return false;
        }
        surface_ = WaylandFrameSurface::open(top, mapTo(window(), QPoint(0, 0)), scale_);
        if (surface_) {
            // Our surface joins the window's with the window's next commit.
            window()->update();
            static bool told = false;
            if (!std::exchange(told, true)) {
                qCInfo(logApp) << "frames go to the compositor in shared-memory buffers of our "
                                  "own, whole and in device pixels";
            }
        }
    }
    if (surface_) {
        watchFramesShown();
    } else {
        startPainting();
    }
    return true;
}

// Where frames cannot go to the window directly (another windowing system, or an X server
// without Present), Qt's backing store shows them instead: still one to one, but without
// the promise that a frame reaches the screen whole at a refresh.
void PatternView::startPainting() {
    painting_ = true;
    setAttribute(Qt::WA_PaintOnScreen, false);
    // A Wayland compositor takes whole buffers: Qt's shared-memory ones do not tear.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        paintedFeedback_ = WaylandFrameFeedback::open([this](const WaylandFrameFeedback::Shown& s) {
            lastPaintedShown_.emplace(s.serial, s.ust);
            frameShown(s.serial, s.ust, s.msc);
        });
        static bool told = false;
        if (!told) {
            told = true;
            qCInfo(logApp) << "frames go to the compositor in Qt's shared-memory buffers, whole "
                              "and in device pixels";
        }
    } else {
        qCWarning(logApp) << "cannot present frames directly on this display (needs X11 with the "
                             "Present extension): painting them through Qt, which may tear";
    }
}

QSize PatternView::deviceSize() const {
    return {qRound(width() * scale_), qRound(height() * scale_)};
}

void PatternView::renderPattern(QImage& target, double t) const {
    const double w = target.width();
    const double h = target.height();
    const PatternRenderer::Anim anim =
        makeAnim(pattern_, t, w, h, bouncePeriod_, timecodeFps_, clock_.flashUntil());
    QPainter p(&target);
    PatternRenderer::draw(pattern_, p, w, h, scale_, anim, aspectRatios_, slateText_, slateImage_,
                          videoRange_);
}

void PatternView::drawFrame() {
    if (!isVisible() || width() <= 0 || height() <= 0) {
        return;
    }
    if (surface_ && surface_->lost()) {
        surface_.reset();
    }
    if (!surface_ && !painting_ && !openSurface()) {
        return;
    }
    const QSize device = deviceSize();
    if (painting_) {
        if (paintedFrame_.size() != device) {
            paintedFrame_ = QImage(device, QImage::Format_RGB32);
        }
        noteRounding(8);
        composeFrame(paintedFrame_, device);
        paintedTime_ = frameTime_ && isAnimated(pattern_)
                           ? std::optional(clock_.elapsed(*frameTime_))
                           : std::nullopt;
        update();
        return;
    }
    QImage frame = surface_->beginFrame(device);
    if (frame.isNull()) {
        // Every buffer is still on screen (tried again once the display may have let one go), or
        // the surface was lost with its window (opened anew at once).
        QTimer::singleShot(surface_->lost() ? 0 : 2, this, [this] { requestRedraw(); });
        return;
    }
    noteRounding(surface_->bitsPerChannel());
    composeFrame(frame, device);
    surfaceFrameSize_ = device;
    if (surface_->present(targetMsc_) && frameTime_ && isAnimated(pattern_)) {
        inFlight_[nextInFlight_] = {surface_->lastSerial(), clock_.elapsed(*frameTime_)};
        nextInFlight_ = (nextInFlight_ + 1) % inFlight_.size();
    }
}

void PatternView::watchFramesShown() {
    if (!surface_) {
        return;
    }
    // Shown frames are counted as the refresh link counts refreshes only where frames are
    // queued to refreshes by number.
    const bool sameCounter = surface_->queuesToRefresh();
    surface_->onShown = [this, sameCounter](const FrameSurface::Shown& shown) {
        if (sameCounter) {
            grid_.addShown(shown.msc, static_cast<double>(shown.ust) / 1e6);
        }
        frameShown(shown.serial, shown.ust, shown.msc);
    };
}

void PatternView::frameShown(std::uint64_t serial, std::uint64_t ust, std::uint64_t msc) {
    for (const auto& [inFlight, t] : inFlight_) {
        if (inFlight == serial && serial != 0 && onFrameShown) {
            onFrameShown(t, ust, msc);
        }
    }
}

void PatternView::composeFrame(QImage& frame, QSize device) {
    if (drawContent) {
        drawContent(frame);
    } else if (isAnimated(pattern_)) {
        renderPattern(frame, clock_.elapsed(frameTime_.value_or(now())));
    } else {
        if (stillFrame_.size() != device || stillFrame_.format() != frame.format()) {
            stillFrame_ = QImage(device, frame.format());
            renderPattern(stillFrame_, 0.0);
        }
        std::memcpy(frame.bits(), stillFrame_.constBits(),
                    static_cast<std::size_t>(frame.sizeInBytes()));
    }
    if (drawOverlays) {
        QPainter p(&frame);
        p.scale(scale_, scale_);
        drawOverlays(p);
    }
}

void PatternView::paintEvent(QPaintEvent*) {
    const QSize device = deviceSize();
    if (!painting_ || paintedFrame_.size() != device) {
        // Under our own surface on Wayland, black until its first frame. The compositor keeps
        // that surface's last frame, so a paint of the window beneath needs no new one; on X11
        // an exposed window must be drawn again.
        if (!testAttribute(Qt::WA_PaintOnScreen)) {
            QPainter(this).fillRect(rect(), Qt::black);
            if (!painting_ && surface_ && !surface_->lost() && surfaceFrameSize_ == device) {
                return;
            }
        }
        requestRedraw();
        return;
    }
    QPainter p(this);
    // The frame is in device pixels already: draw it unscaled at the origin.
    paintedFrame_.setDevicePixelRatio(scale_);
    p.drawImage(QPointF(0, 0), paintedFrame_);
    ++framesPainted_;
    if (paintedFeedback_) {
        if (paintedTime_) {
            inFlight_[nextInFlight_] = {static_cast<std::uint32_t>(framesPainted_), *paintedTime_};
            nextInFlight_ = (nextInFlight_ + 1) % inFlight_.size();
        }
        // Qt commits the frame right after this paint, to the top-level window's surface: the
        // view's own native window there gets no buffer of its own.
        paintedFeedback_->expect(window()->windowHandle(), framesPainted_);
    }
    paintedTime_.reset();
}

}  // namespace lumenor
