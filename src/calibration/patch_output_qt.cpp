#include "calibration/patch_output.h"

#include <QScreen>

#include <algorithm>
#include <utility>

#include "calibration/calibration_log.h"
#include "calibration/session_end.h"
#include "output/output_window.h"
#include "patterns/pattern_view.h"

namespace lumenor {

namespace {

// The pixel word of a colour in a frame of `format`, RGB30 or RGB32, at that frame's depth.
quint32 pixelWord(const DeviceRgb& colour, QImage::Format format) {
    if (format == QImage::Format_RGB30) {
        const DeviceRgb c = atDepth(colour, 10);
        return 0xC0000000u | static_cast<quint32>(c.r << 20 | c.g << 10 | c.b);
    }
    const DeviceRgb c = atDepth(colour, 8);
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
    watch_.setTimerType(Qt::PreciseTimer);
    watch_.setInterval(1);
    QObject::connect(&watch_, &QTimer::timeout, [this] { checkShown(); });
    firstFrame_.setInterval(2);
    QObject::connect(&firstFrame_, &QTimer::timeout, [this] {
        if (view_->framesShown() > 0 || monotonicMicroseconds() >= onScreenCapUs_) {
            firstFrame_.stop();
            std::exchange(onScreen_, nullptr)();
        }
    });
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

void PatchOutput::whenOnScreen(std::function<void()> then, int capMs) {
    onScreen_ = std::move(then);
    onScreenCapUs_ = monotonicMicroseconds() + static_cast<std::uint64_t>(capMs) * 1000;
    firstFrame_.start();
}

void PatchOutput::hide() {
    watch_.stop();
    firstFrame_.stop();
    onScreen_ = nullptr;
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
    if (!view_->knowsWhenShown()) {
        // Qt paints where no one says when: the best time there is is when the paint is seen
        // to have happened.
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
    bits_ = frame.format() == QImage::Format_RGB30 ? 10 : 8;
    const int given = std::max(patch_.colour.bits, patch_.background.bits);
    if (given > bits_ && !std::exchange(saidRounded_, true)) {
        qCInfo(logCalibration,
               "values given at more than %d bits are rounded to the nearest %d-bit value: the "
               "output is %d bits deep",
               bits_, bits_, bits_);
    }
    frame.fill(pixelWord(patch_.background, frame.format()));
    const double w = frame.width();
    const double h = frame.height();
    const QRectF& f = patch_.window;
    // Edges on whole device pixels: no pixel is ever a blend of patch and background.
    const QRect box = QRect(QPoint(qRound(f.left() * w), qRound(f.top() * h)),
                            QPoint(qRound(f.right() * w) - 1, qRound(f.bottom() * h) - 1))
                          .intersected(frame.rect());
    const quint32 colour = pixelWord(patch_.colour, frame.format());
    for (int y = box.top(); y <= box.bottom(); ++y) {
        std::fill_n(reinterpret_cast<quint32*>(frame.scanLine(y)) + box.left(), box.width(),
                    colour);
    }
}

}  // namespace lumenor
