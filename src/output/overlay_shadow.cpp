#include "output/overlay_shadow.h"

#include <QPainter>
#include <QPainterPath>

#include <vector>

namespace lumenor {

namespace {

// One running-sum box blur along rows (`step` 1) or columns (`step` = the row length).
void boxBlur(int* a, int lines, int length, int lineStep, int step, int radius) {
    std::vector<int> copy(static_cast<std::size_t>(length));
    int* line = copy.data();
    const int width = 2 * radius + 1;
    for (int l = 0; l < lines; ++l) {
        int* base = a + static_cast<std::ptrdiff_t>(l) * lineStep;
        for (int i = 0; i < length; ++i) {
            line[i] = base[static_cast<std::ptrdiff_t>(i) * step];
        }
        int sum = 0;
        for (int i = 0; i < radius && i < length; ++i) {
            sum += line[i];
        }
        for (int i = 0; i < length; ++i) {
            if (i + radius < length) {
                sum += line[i + radius];
            }
            if (i - radius - 1 >= 0) {
                sum -= line[i - radius - 1];
            }
            base[static_cast<std::ptrdiff_t>(i) * step] = sum / width;
        }
    }
}

}  // namespace

QImage panelShadow(QSize panel, double cornerRadius, int reach, double opacity) {
    const QSize size = panel + QSize(2 * reach, 2 * reach);
    QImage mask(size, QImage::Format_Alpha8);
    mask.fill(0);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(reach, reach, panel.width(), panel.height()), cornerRadius,
                             cornerRadius);
        p.fillPath(shape, Qt::black);
    }
    const int w = size.width();
    const int h = size.height();
    std::vector<int> alpha(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
        const uchar* line = mask.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            alpha[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
                  static_cast<std::size_t>(x)] = line[x];
        }
    }
    // Three box passes each way come close to a Gaussian; together they reach `reach` out.
    const int radius = std::max(1, reach / 3);
    for (int pass = 0; pass < 3; ++pass) {
        boxBlur(alpha.data(), h, w, w, 1, radius);
        boxBlur(alpha.data(), w, h, 1, w, radius);
    }
    QImage shadow(size, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(shadow.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int a = qRound(alpha[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
                                       static_cast<std::size_t>(x)] *
                                 opacity);
            line[x] = qRgba(0, 0, 0, a);
        }
    }
    return shadow;
}

}  // namespace lumenor
