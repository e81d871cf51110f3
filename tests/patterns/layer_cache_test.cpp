#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "patterns/layer_cache.h"

namespace lumenor::render {
namespace {

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
