#include "output/hud_view.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPainter>

#include "output/overlay_palette.h"
#include "output/overlay_panel.h"

namespace lumenor {

HUDView::HUDView() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(13);
    font.setWeight(QFont::Medium);
    label_.setFont(font);
    QPalette p = label_.palette();
    p.setColor(QPalette::WindowText, palette::paper());
    label_.setPalette(p);
    label_.setAlignment(Qt::AlignCenter);
    label_.setTextFormat(Qt::PlainText);  // the banner holds a display's name, not markup
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 0, 14, 0);
    layout->addWidget(&label_);

    QObject::connect(&fade_, &QVariantAnimation::valueChanged, [this](const QVariant& v) {
        opacity_ = v.toDouble();
        if (onChanged) {
            onChanged();
        }
    });
    fadeTimer_.setSingleShot(true);
    QObject::connect(&fadeTimer_, &QTimer::timeout, [this] { fadeTo(0.0, 400); });
    resize(kWidth, kHeight);
}

void HUDView::setText(const QString& text) {
    label_.setText(text);
    if (onChanged) {
        onChanged();
    }
}

void HUDView::fadeTo(double opacity, int ms) {
    fade_.stop();
    fade_.setDuration(ms);
    fade_.setStartValue(opacity_);
    fade_.setEndValue(opacity);
    fade_.start();
}

void HUDView::show(double seconds) {
    fadeTimer_.stop();
    fadeTo(1.0, 120);
    const double ms = seconds * 1000.0;
    fadeTimer_.start(ms > 0.0 && ms < 2.0e9 ? static_cast<int>(ms) : 0);
}

void HUDView::placeIn(const QSize& parent) {
    setGeometry((parent.width() - kWidth) / 2, parent.height() - kBottomMargin - kHeight, kWidth,
                kHeight);
}

void HUDView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QColor fill = palette::deepInk();
    fill.setAlphaF(0.78f);
    paintOverlayPanel(p, QRectF(rect()), 10, fill, QColor(255, 255, 255, 26));
}

}  // namespace lumenor
