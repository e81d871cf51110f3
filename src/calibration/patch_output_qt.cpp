#include "calibration/patch_output.h"

#include <QPainter>
#include <QScreen>

#include "calibration/session_end.h"
#include "output/output_window.h"
#include "patterns/pattern_view.h"

namespace lumenor {

namespace {

QRgb device(const DeviceRgb& c) {
    return qRgb(c.r, c.g, c.b);
}

}  // namespace

PatchOutput::PatchOutput(RefreshLinkFactory& links)
    : view_(std::make_unique<PatternView>(links)),
      window_(std::make_unique<OutputWindow>(OutputWindow::Role::output)) {
    view_->drawContent = [this](QImage& frame) { draw(frame); };
    view_->onClose = [this] {
        if (onClose) {
            onClose();
        }
    };
    view_->setCursor(Qt::BlankCursor);
    window_->setCursor(Qt::BlankCursor);
    watch_.setTimerType(Qt::PreciseTimer);
    watch_.setInterval(1);
    QObject::connect(&watch_, &QTimer::timeout, [this] { checkShown(); });
}

PatchOutput::~PatchOutput() {
    hide();
}

void PatchOutput::show(QScreen* screen) {
    window_->attach(view_.get());
    window_->cover(screen);
    window_->raise();
    window_->activateWindow();
    view_->setFocus();
    view_->updateScale();
}

void PatchOutput::hide() {
    watch_.stop();
    window_->detach();
    window_->hide();
}

QSize PatchOutput::displaySize() const {
    const QScreen* s = view_->screen();
    return s != nullptr ? s->geometry().size() * s->devicePixelRatio() : QSize();
}

void PatchOutput::showPatch(const Patch& patch) {
    patch_ = patch;
    drawnAs_.reset();
    paintedBefore_ = view_->framesShown();
    view_->requestRedraw();
    watch_.start();
}

void PatchOutput::checkShown() {
    if (!watch_.isActive()) {
        return;  // reported already
    }
    std::optional<std::uint64_t> shown;
    if (view_->isPainting()) {
        // Qt paints: the best time there is is when the paint is seen to have happened.
        if (view_->framesShown() > paintedBefore_) {
            shown = monotonicMicroseconds();
        }
    } else if (drawnAs_) {
        shown = view_->shownAt(*drawnAs_);
    }
    if (!shown) {
        return;
    }
    watch_.stop();
    if (onShown) {
        onShown(*shown);
    }
}

void PatchOutput::draw(QImage& frame) {
    // The frame being drawn is presented next, as the one after the last: numbering it here
    // holds even when the view has had to start a new surface since the patch came.
    if (!drawnAs_) {
        drawnAs_ = view_->lastFrameNumber() + 1;
    }
    frame.fill(device(patch_.background));
    const double w = frame.width();
    const double h = frame.height();
    const QRectF& f = patch_.window;
    // Edges on whole device pixels: no pixel is ever a blend of patch and background.
    const QRect box(QPoint(qRound(f.left() * w), qRound(f.top() * h)),
                    QPoint(qRound(f.right() * w) - 1, qRound(f.bottom() * h) - 1));
    QPainter p(&frame);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(box, QColor(device(patch_.colour)));
}

}  // namespace lumenor
