#include "patterns/pattern_view.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <chrono>

#include "displays/frame_surface.h"
#include "displays/wayland_frame_feedback.h"
#include "patterns/aspect_tables.h"

namespace lumenor {

namespace {

// What a tick leaves itself, beyond the refresh or half refresh its frame waits in the server,
// to draw a frame and hand it over before the refresh it is meant for: a busy server may take
// most of a refresh to copy a full-screen frame, and a frame that misses its refresh puts the
// picture behind its sound.
constexpr double kDrawSeconds = 0.004;

}  // namespace

PatternView::PatternView(RefreshLinkFactory& links, QWidget* parent)
    : QWidget(parent), aspectRatios_(defaultAspectSelection()), animator_(links), clock_(now()) {
    // On X11 frames are presented straight to the view's own native window, and Qt paints
    // nothing there. On Wayland they go to a surface of ours over the window's, and Qt paints the
    // window under it as any other: the compositor takes a window's new size from Qt's commit.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        setAttribute(Qt::WA_NativeWindow);
        setAttribute(Qt::WA_PaintOnScreen);
    }
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
    const double scale = s != nullptr ? s->devicePixelRatio() : devicePixelRatioF();
    // A Wayland surface shows its buffers at the scale it was opened for.
    if (scale != scale_) {
        surface_.reset();
    }
    scale_ = scale;
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

// Each frame is drawn for, and queued to, the second refresh after the one that ticked, or a
// later one when that is less than half a refresh and kDrawSeconds away. Counted from the
// refresh rather than from when the tick runs, a tick held up for part of a refresh still gets a
// refresh of its own, not the one the next tick goes to. The events of frames up to the marker
// lead ahead are announced here.
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
        // Queued to the X server, a frame waits for its refresh; on Wayland it shows at the
        // compositor's next repaint.
        const bool queued = !painting_ && (!surface_ || surface_->queuesToRefresh());
        const double drawnBy =
            (queued ? std::max(time + grid->period / 2, grid->lastRefresh + grid->period) : time) +
            kDrawSeconds;
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
    // Moving the view into another window gives it a new native window, or a new window to lie
    // over: frames must go there.
    if (event->type() == QEvent::WinIdChange || event->type() == QEvent::ParentChange) {
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
