#include "output/hud_view.h"

#include <QFontDatabase>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include "output/overlay_palette.h"

namespace lumenor {

HUDView::HUDView(QWidget* parent)
    : QWidget(parent), effect_(new QGraphicsOpacityEffect(this)), fade_(effect_, "opacity") {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    effect_->setOpacity(0.0);
    setGraphicsEffect(effect_);

    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(13);
    font.setWeight(QFont::Medium);
    label_.setFont(font);
    QPalette p = label_.palette();
    p.setColor(QPalette::WindowText, palette::paper());
    label_.setPalette(p);
    label_.setAlignment(Qt::AlignCenter);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 0, 14, 0);
    layout->addWidget(&label_);

    fadeTimer_.setSingleShot(true);
    connect(&fadeTimer_, &QTimer::timeout, this, [this] {
        fade_.stop();
        fade_.setDuration(400);
        fade_.setEndValue(0.0);
        fade_.start();
    });
    resize(kWidth, kHeight);
}

void HUDView::setText(const QString& text) {
    label_.setText(text);
}

void HUDView::show(double seconds) {
    fadeTimer_.stop();
    fade_.stop();
    fade_.setDuration(120);
    fade_.setEndValue(1.0);
    fade_.start();
    const double ms = seconds * 1000.0;
    fadeTimer_.start(ms > 0.0 && ms < 2.0e9 ? static_cast<int>(ms) : 0);
    QWidget::show();
    raise();
}

void HUDView::placeIn(const QSize& parent) {
    setGeometry((parent.width() - kWidth) / 2, parent.height() - kBottomMargin - kHeight, kWidth,
                kHeight);
}

double HUDView::opacity() const {
    return effect_->opacity();
}

void HUDView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    QColor fill = palette::deepInk();
    fill.setAlphaF(0.78f);
    p.fillPath(shape, fill);
    p.setPen(QPen(QColor(255, 255, 255, 26), 1));
    p.drawPath(shape);
}

}  // namespace lumenor
