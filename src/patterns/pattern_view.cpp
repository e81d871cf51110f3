#include "patterns/pattern_view.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <chrono>
#include <cstring>

#include "core/log.h"
#include "displays/present_surface.h"
#include "patterns/aspect_tables.h"
#include "patterns/pattern_renderer.h"

namespace lumenor {

namespace {

// What a tick leaves itself, beyond one whole refresh, to draw a frame and hand it to the
// server before the refresh it is meant for: a busy server may take most of a refresh to copy
// a full-screen frame, and a frame that misses its refresh puts the picture behind its sound.
constexpr double kDrawSeconds = 0.004;

}  // namespace

PatternView::PatternView(RefreshLinkFactory& links, QWidget* parent)
    : QWidget(parent), aspectRatios_(defaultAspectSelection()), animator_(links), clock_(now()) {
    // Frames are presented straight to the native window; Qt paints nothing here.
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_PaintOnScreen);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    animator_.onTick = [this] { tick(); };
}

PatternView::~PatternView() {
    animator_.stop();
}

double PatternView::now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void PatternView::setPattern(Pattern pattern) {
    pattern_ = pattern;
    clock_.restart(now());
    lookahead_.restart();
    stillFrame_ = QImage();
    requestRedraw();
    updateAnimator();
}

void PatternView::setBouncePeriod(double seconds) {
    bouncePeriod_ = seconds;
    clock_.restartBounce(now());
    lookahead_.restartBounce();
    requestRedraw();
}

void PatternView::setTimecodeFps(int fps) {
    timecodeFps_ = fps;
    requestRedraw();
}

void PatternView::setAspectRatios(const QSet<QString>& labels) {
    aspectRatios_ = labels;
    stillFrame_ = QImage();
    requestRedraw();
}

void PatternView::setVideoRange(VideoRange range) {
    videoRange_ = range;
    stillFrame_ = QImage();
    requestRedraw();
}

void PatternView::setSlateText(const QString& text) {
    slateText_ = text;
    stillFrame_ = QImage();
    requestRedraw();
}

void PatternView::setSlateImage(std::optional<QImage> image) {
    slateImage_ = std::move(image);
    stillFrame_ = QImage();
    requestRedraw();
}

void PatternView::requestRedraw() {
    if (redrawPending_) {
        return;
    }
    redrawPending_ = true;
    // Whether the animator draws the frame is decided when the request runs, not when it is
    // made: a pattern change stops the animator right after asking for its first frame.
    QMetaObject::invokeMethod(
        this,
        [this] {
            redrawPending_ = false;
            if (!animator_.isRunning()) {
                drawFrame();
            }
        },
        Qt::QueuedConnection);
}

void PatternView::updateScale() {
    QWindow* w = window()->windowHandle();
    if (w != watchedWindow_) {
        watchedWindow_ = w;
        if (w != nullptr) {
            connect(w, &QWindow::screenChanged, this, [this] { updateScale(); });
        }
    }
    const QScreen* s = screen();
    scale_ = s != nullptr ? s->devicePixelRatio() : devicePixelRatioF();
    stillFrame_ = QImage();
    requestRedraw();
    updateAnimator();
}

void PatternView::updateAnimator() {
    if (!isAnimated(pattern_) || !isVisible()) {
        animator_.stop();
        return;
    }
    QScreen* s = screen();
    const std::optional<DisplayId> display =
        (s != nullptr && displayForScreen) ? displayForScreen(s) : std::nullopt;
    animator_.start(display);
}

// Each frame is drawn for, and queued to, the first refresh more than a refresh and
// kDrawSeconds away. The events of frames up to the marker lead ahead are announced here.
void PatternView::tick() {
    const double time = now();
    const std::optional<RefreshStamp> stamp = animator_.lastStamp();
    if (stamp) {
        grid_.add(*stamp);
    } else {
        grid_.reset();
    }
    const std::optional<RefreshGrid> grid = grid_.grid();
    announcesAhead_ = grid.has_value();
    double showTime = time;
    targetMsc_ = 0;
    if (grid) {
        // Queued to the X server, a frame waits for its refresh; painted on Wayland, it shows
        // at the compositor's next repaint.
        const double drawnBy = time + (painting_ ? 0.0 : grid->period) + kDrawSeconds;
        showTime = grid->refreshAtOrAfter(drawnBy);
        targetMsc_ = grid->counterAtOrAfter(drawnBy);
        announceMarkers(*grid, time);
    }
    const PatternClock::Events events = clock_.tick(pattern_, showTime, bouncePeriod_);
    if (events.countSecond && onCountSecond) {
        onCountSecond();
    }
    if (events.bounce && onBounce) {
        onBounce();
    }
    frameTime_ = showTime;
    drawFrame();
    frameTime_.reset();
    targetMsc_ = 0;
}

void PatternView::announceMarkers(const RefreshGrid& grid, double time) {
    if (!onBounceAhead && !onCountSecondAhead) {
        return;
    }
    const double lead = markerLead ? markerLead() : 0.0;
    for (const MarkerLookahead::Marker& m :
         lookahead_.take(pattern_, clock_.startTime(), bouncePeriod_, grid, time + lead)) {
        const auto& report =
            m.kind == MarkerLookahead::Kind::bounce ? onBounceAhead : onCountSecondAhead;
        if (report) {
            report(m.showTime);
        }
    }
}

std::uint64_t PatternView::framesPresented() const {
    if (painting_) {
        return framesPainted_;
    }
    return surface_ ? surface_->presented() : 0;
}

std::uint64_t PatternView::framesShown() {
    if (painting_) {
        return framesPainted_;
    }
    return surface_ ? surface_->completed() : 0;
}

std::uint64_t PatternView::lastFrameNumber() const {
    return surface_ && !painting_ ? surface_->lastSerial() : 0;
}

std::optional<std::uint64_t> PatternView::shownAt(std::uint64_t frame) {
    if (!surface_ || painting_) {
        return std::nullopt;
    }
    const std::optional<PresentSurface::Completion> done = surface_->lastCompletion();
    if (!done || done->serial < frame) {
        return std::nullopt;
    }
    return done->ust;
}

QPaintEngine* PatternView::paintEngine() const {
    return painting_ ? QWidget::paintEngine() : nullptr;
}

// Where frames cannot go to the window directly (another windowing system, or an X server
// without Present), Qt's backing store shows them instead: still one to one, but without
// the promise that a frame reaches the screen whole at a refresh.
void PatternView::startPainting() {
    painting_ = true;
    setAttribute(Qt::WA_PaintOnScreen, false);
    // A Wayland compositor takes whole buffers: Qt's shared-memory ones do not tear.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
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
    if (!surface_ && !painting_) {
        if (QGuiApplication::platformName() == QLatin1String("xcb")) {
            surface_ = PresentSurface::open(winId());
            watchFramesShown();
        }
        if (!surface_) {
            startPainting();
        }
    }
    const QSize device = deviceSize();
    if (painting_) {
        if (paintedFrame_.size() != device) {
            paintedFrame_ = QImage(device, QImage::Format_RGB32);
        }
        composeFrame(paintedFrame_, device);
        update();
        return;
    }
    QImage frame = surface_->beginFrame(device);
    if (frame.isNull()) {
        // Every buffer is still on screen: try again at the next refresh.
        QMetaObject::invokeMethod(
            this, [this] { requestRedraw(); }, Qt::QueuedConnection);
        return;
    }
    composeFrame(frame, device);
    if (surface_->present(targetMsc_) && frameTime_ && isAnimated(pattern_)) {
        inFlight_[nextInFlight_] = {surface_->lastSerial(), clock_.elapsed(*frameTime_)};
        nextInFlight_ = (nextInFlight_ + 1) % inFlight_.size();
    }
}

void PatternView::watchFramesShown() {
    if (!surface_) {
        return;
    }
    surface_->onShown = [this](const PresentSurface::Shown& shown) {
        for (const auto& [serial, t] : inFlight_) {
            if (serial == shown.serial && serial != 0 && onFrameShown) {
                onFrameShown(t, shown.ust, shown.msc);
            }
        }
    };
}

void PatternView::composeFrame(QImage& frame, QSize device) {
    if (drawContent) {
        drawContent(frame);
    } else if (isAnimated(pattern_)) {
        renderPattern(frame, clock_.elapsed(frameTime_.value_or(now())));
    } else {
        if (stillFrame_.size() != device) {
            stillFrame_ = QImage(device, QImage::Format_RGB32);
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
        requestRedraw();
        return;
    }
    QPainter p(this);
    // The frame is in device pixels already: draw it unscaled at the origin.
    paintedFrame_.setDevicePixelRatio(scale_);
    p.drawImage(QPointF(0, 0), paintedFrame_);
    ++framesPainted_;
}

void PatternView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            if (onClose) {
                onClose();
            }
            return;
        case Qt::Key_Right:
        case Qt::Key_Down:
            if (onCycle) {
                onCycle(1);
            }
            return;
        case Qt::Key_Left:
        case Qt::Key_Up:
            if (onCycle) {
                onCycle(-1);
            }
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

void PatternView::mouseMoveEvent(QMouseEvent* event) {
    if (onMouseMoved) {
        onMouseMoved();
    }
    QWidget::mouseMoveEvent(event);
}

void PatternView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateScale();
}

void PatternView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    animator_.stop();
}

bool PatternView::event(QEvent* event) {
    // Moving the view into another window gives it a new native window: frames must go there.
    if (event->type() == QEvent::WinIdChange) {
        surface_.reset();
    }
    return QWidget::event(event);
}

void PatternView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    stillFrame_ = QImage();
    requestRedraw();
}

}  // namespace lumenor
