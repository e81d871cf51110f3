#include "output/identify_view.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include "output/identify_layout.h"
#include "output/overlay_palette.h"

namespace lumenor {

namespace {

QColor withAlpha(QColor c, double alpha) {
    c.setAlphaF(static_cast<float>(alpha));
    return c;
}

void drawCentred(QPainter& p, const QString& text, const QFont& font, const QColor& colour,
                 QPointF centre) {
    p.setFont(font);
    p.setPen(colour);
    const QFontMetricsF metrics(font);
    const QSizeF box(metrics.horizontalAdvance(text), metrics.height());
    const QRectF rect(centre.x() - box.width() / 2.0, centre.y() - box.height() / 2.0, box.width(),
                      box.height());
    p.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text);
}

}  // namespace

IdentifyView::IdentifyView(int index, DisplayInfo info, QImage underneath)
    : index_(index), info_(std::move(info)), underneath_(std::move(underneath)) {}

void IdentifyView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    if (!underneath_.isNull()) {
        p.drawImage(QRectF(rect()), underneath_);
    }
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.fillRect(rect(), QColor(0, 0, 0, 115));  // black at 0.45

    const IdentifyLayout layout = identifyLayout(QSizeF(size()));
    QPainterPath card;
    card.addRoundedRect(layout.card, 24, 24);
    p.fillPath(card, withAlpha(palette::deepInk(), 0.95));
    p.setPen(QPen(withAlpha(palette::iris(), 0.6), 2));
    p.drawPath(card);

    QFont number = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    number.setPixelSize(std::max(1, qRound(layout.numberFontSize)));
    number.setBold(true);
    drawCentred(p, QString::number(index_), number, palette::iris(), layout.numberCentre);

    QFont name = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    name.setPixelSize(22);
    name.setWeight(QFont::Medium);
    drawCentred(p, info_.name, name, palette::paper(), layout.nameCentre);

    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(18);
    mono.setWeight(QFont::Normal);
    const QString mode = QStringLiteral("%1 \u00D7 %2")
                             .arg(info_.currentMode.pixelWidth)
                             .arg(info_.currentMode.pixelHeight);
    drawCentred(p, mode, mono, palette::slate(), layout.modeCentre);
}

}  // namespace lumenor
