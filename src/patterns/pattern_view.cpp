#include "patterns/pattern_view.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <chrono>
#include <cstring>

#include "app/core/log.h"
#include "displays/present_surface.h"
#include "patterns/aspect_tables.h"
#include "patterns/pattern_renderer.h"

namespace lumenor {

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
    stillFrame_ = QImage();
    requestRedraw();
    updateAnimator();
}

void PatternView::setBouncePeriod(double seconds) {
    bouncePeriod_ = seconds;
    clock_.restartBounce(now());
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
    // While animating, the next refresh draws anyway: one frame per refresh, never more.
    if (redrawPending_ || animator_.isRunning()) {
        return;
    }
    redrawPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            redrawPending_ = false;
            drawFrame();
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

void PatternView::tick() {
    const PatternClock::Events events = clock_.tick(pattern_, now(), bouncePeriod_);
    if (events.countSecond && onCountSecond) {
        onCountSecond();
    }
    if (events.bounce && onBounce) {
        onBounce();
    }
    drawFrame();
}

std::uint64_t PatternView::framesPresented() const {
    return surface_ ? surface_->presented() : 0;
}

void PatternView::renderPattern(QImage& target, double t) const {
    const double w = target.width();
    const double h = target.height();
    const PatternRenderer::Anim anim =
        makeAnim(pattern_, t, w, h, bouncePeriod_, timecodeFps_, clock_.flashUntil());
    QPainter p(&target);
    PatternRenderer::draw(pattern_, p, w, h, scale_, anim, aspectRatios_, slateText_, slateImage_);
}

void PatternView::drawFrame() {
    if (!isVisible() || width() <= 0 || height() <= 0) {
        return;
    }
    if (!surface_) {
        surface_ = PresentSurface::open(winId());
        if (!surface_) {
            qCCritical(logApp) << "cannot present frames on this display (no Present or MIT-SHM)";
            return;
        }
    }
    const QSize device(qRound(width() * scale_), qRound(height() * scale_));
    QImage frame = surface_->beginFrame(device);
    if (frame.isNull()) {
        // Every buffer is still on screen: try again at the next refresh.
        QMetaObject::invokeMethod(
            this, [this] { requestRedraw(); }, Qt::QueuedConnection);
        return;
    }
    if (isAnimated(pattern_)) {
        renderPattern(frame, clock_.elapsed(now()));
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
    surface_->present();
}

void PatternView::paintEvent(QPaintEvent*) {
    requestRedraw();
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
