#include <gtest/gtest.h>

#include <QImage>
#include <QLineF>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>

#include "patterns/layer_cache.h"
#include "patterns/render_primitives.h"
#include "patterns/sector_outline.h"

namespace lumenor::render {
namespace {

// The arc's chords stay within 1/256 pixel of the circle and its ends are where the angles say,
// through a mirrored layout as the renderer draws and through a plain one.
TEST(SectorOutline, FollowsTheCircleClosely) {
    for (const double r : {3.0, 410.4, 1641.6}) {
        for (const QTransform& device :
             {QTransform(1, 0, 0, -1, 0, 2160), QTransform::fromTranslate(0.5, 7)}) {
            const QPointF c(960, 540);
            const QPointF d = device.map(c);
            const std::optional<QPolygonF> outline =
                sectorOutline(device, c, r, kPi / 2, -2 * kPi * 0.83);
            ASSERT_TRUE(outline.has_value());
            EXPECT_EQ(outline->front(), d);
            const double end = kPi / 2 - 2 * kPi * 0.83;
            int onArc = 0;
            for (qsizetype i = 1; i + 1 < outline->size(); ++i) {
                const QPointF a = outline->at(i);
                const QPointF b = outline->at(i + 1);
                if (std::abs(QLineF(d, a).length() - r) < 1e-9 &&
                    std::abs(QLineF(d, b).length() - r) < 1e-9) {
                    ++onArc;
                    EXPECT_GT(QLineF(d, (a + b) / 2).length(), r - 1.0 / 256) << r << " at " << i;
                }
            }
            EXPECT_GT(onArc, 8);
            const QPointF last = device.map(c + r * QPointF(std::cos(end), std::sin(end)));
            EXPECT_TRUE(std::any_of(outline->begin(), outline->end(), [&](const QPointF& v) {
                return QLineF(v, last).length() < 1e-9;
            }));
        }
    }
    EXPECT_FALSE(sectorOutline(QTransform().rotate(30), {0, 0}, 10, 0, 1));
    EXPECT_FALSE(sectorOutline(QTransform::fromScale(2, 2), {0, 0}, 10, 0, 1));
}

// A long show keeps meeting layers it never draws again (each new digit of a running timecode
// in each place): a layer idle past kIdleSeconds goes, so the cache holds what the last seconds
// drew however many it met, while a layer drawn all along stays recorded once.
TEST(LayerCache, KeepsOnlyTheLayersDrawnRecently) {
    double now = 0;
    LayerCache cache(std::size_t{1} << 30, [&] { return now; });
    QImage canvas(64, 64, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter p(&canvas);
    int recordedSteady = 0;
    for (int second = 0; second < 1000; ++second) {
        now = second;
        cache.draw(p, "steady", QRectF(4, 4, 8, 8), [&](QPainter& q) {
            ++recordedSteady;
            q.fillRect(QRectF(5, 5, 6, 6), Qt::white);
        });
        cache.draw(p, QByteArray::number(second), QRectF(32, 32, 8, 8),
                   [](QPainter& q) { q.fillRect(QRectF(33, 33, 6, 6), Qt::white); });
    }
    EXPECT_EQ(recordedSteady, 1);
    EXPECT_LE(cache.size(), static_cast<std::size_t>(LayerCache::kIdleSeconds) + 2);
}

}  // namespace
}  // namespace lumenor::render
