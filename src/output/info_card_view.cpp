#include "output/info_card_view.h"

#include <QFontDatabase>
#include <QPainter>
#include <QVBoxLayout>

#include "output/frame_status_text.h"
#include "output/output_texts.h"
#include "output/overlay_palette.h"
#include "output/overlay_panel.h"
#include "output/overlay_shadow.h"

namespace lumenor {

namespace {

constexpr double kCornerRadius = 22.0;
constexpr int kShadowReach = 40;
constexpr double kShadowOpacity = 0.5;

void styleLabel(QLabel& label, QFontDatabase::SystemFont family, int size, QFont::Weight weight,
                const QColor& colour) {
    QFont font = QFontDatabase::systemFont(family);
    font.setPixelSize(size);
    font.setWeight(weight);
    label.setFont(font);
    QPalette p = label.palette();
    p.setColor(QPalette::WindowText, colour);
    label.setPalette(p);
    label.setAlignment(Qt::AlignCenter);
    label.setTextFormat(Qt::PlainText);  // display names come from EDIDs and users, not markup
}

}  // namespace

InfoCardView::InfoCardView() {
    styleLabel(name_, QFontDatabase::GeneralFont, 22, QFont::Medium, palette::slate());
    styleLabel(res_, QFontDatabase::FixedFont, 84, QFont::Medium, palette::paper());
    styleLabel(fps_, QFontDatabase::FixedFont, 40, QFont::Normal, palette::iris());
    styleLabel(frame_, QFontDatabase::FixedFont, 18, QFont::Normal, palette::slate());
    frame_.setText(frameStatusPlaceholder());

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(80, 44, 80, 44);
    stack->setSpacing(0);
    stack->addWidget(&name_);
    stack->addSpacing(10);
    stack->addWidget(&res_);
    stack->addSpacing(4);
    stack->addWidget(&fps_);
    stack->addSpacing(10);
    stack->addWidget(&frame_);
}

void InfoCardView::setShown(bool shown) {
    shown_ = shown;
    if (onChanged) {
        onChanged();
    }
}

void InfoCardView::showDisplay(const DisplayInfo& display) {
    const DisplayInfoTexts texts = displayInfoTexts(display);
    name_.setText(texts.name);
    res_.setText(texts.resolution);
    fps_.setText(texts.rate);
    if (onChanged) {
        onChanged();
    }
}

void InfoCardView::showFrameStatus(int dropped, bool steady) {
    showFrameText(frameStatusText(dropped, steady));
}

void InfoCardView::showFrameTimingUnavailable() {
    showFrameText(frameTimingUnavailableText());
}

void InfoCardView::showFrameText(const FrameStatusText& status) {
    frame_.setText(status.text);
    QPalette p = frame_.palette();
    p.setColor(QPalette::WindowText, status.colour);
    frame_.setPalette(p);
    if (onChanged) {
        onChanged();
    }
}

void InfoCardView::placeIn(const QSize& parent) {
    const QSize size = sizeHint();
    setGeometry((parent.width() - size.width()) / 2, (parent.height() - size.height()) / 2,
                size.width(), size.height());
}

void InfoCardView::paintShadow(QPainter& painter) {
    const QSize expected = size() + QSize(2 * kShadowReach, 2 * kShadowReach);
    if (shadow_.size() != expected) {
        shadow_ = panelShadow(size(), kCornerRadius, kShadowReach, kShadowOpacity);
    }
    painter.drawImage(pos() - QPoint(kShadowReach, kShadowReach), shadow_);
}

void InfoCardView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QColor fill = palette::deepInk();
    fill.setAlphaF(0.92f);
    QColor border = palette::iris();
    border.setAlphaF(0.55f);
    paintOverlayPanel(p, QRectF(rect()), kCornerRadius, fill, border);
}

}  // namespace lumenor
