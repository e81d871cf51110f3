#include "patterns/layer_cache.h"

#include <QPaintDevice>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lumenor::render {

namespace {

constexpr int kTile = 32;
// Enough for the glyphs of a running timecode and the digits of a countdown on an 8K canvas.
constexpr std::size_t kBudgetBytes = std::size_t{96} << 20;

thread_local bool cachingEnabled = true;

bool isEmpty(const QImage& tile) {
    for (int y = 0; y < tile.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(tile.constScanLine(y));
        if (std::any_of(line, line + tile.width(), [](QRgb px) { return px != 0; })) {
            return false;
        }
    }
    return true;
}

// Whether laying a layer over `p`'s canvas blends the same as drawing on it: a 32-bit RGB or
// premultiplied image, source-over, full opacity, no clip.
bool layersBlendExactly(const QPainter& p) {
    const QPaintDevice* device = p.device();
    if (device == nullptr || device->devType() != QInternal::Image) {
        return false;
    }
    const auto format = static_cast<const QImage*>(device)->format();
    return (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied) &&
           p.compositionMode() == QPainter::CompositionMode_SourceOver && p.opacity() == 1.0 &&
           !p.hasClipping();
}

}  // namespace

Layer Layer::record(const QRect& deviceBox, const QTransform& transform,
                    const std::function<void(QPainter&)>& fill) {
    QImage image(deviceBox.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter q(&image);
        // Whole-pixel shifts leave every coordinate's fraction, and so every coverage, as it is.
        q.setTransform(transform * QTransform::fromTranslate(-deviceBox.x(), -deviceBox.y()));
        fill(q);
    }
    Layer layer;
    for (int y = 0; y < image.height(); y += kTile) {
        for (int x = 0; x < image.width(); x += kTile) {
            QImage tile = image.copy(x, y, std::min(kTile, image.width() - x),
                                     std::min(kTile, image.height() - y));
            if (!isEmpty(tile)) {
                layer.bytes_ += static_cast<std::size_t>(tile.sizeInBytes());
                layer.tiles_.emplace_back(deviceBox.topLeft() + QPoint(x, y), std::move(tile));
            }
        }
    }
    return layer;
}

void Layer::paint(QPainter& p) const {
    p.save();
    p.resetTransform();
    for (const auto& [at, tile] : tiles_) {
        p.drawImage(at, tile);
    }
    p.restore();
}

QRect pixelsReachedBy(const QRectF& deviceRect) {
    const QRectF r = deviceRect.adjusted(-1, -1, 1, 1);
    return {
        QPoint(static_cast<int>(std::floor(r.left())), static_cast<int>(std::floor(r.top()))),
        QPoint(static_cast<int>(std::ceil(r.right())), static_cast<int>(std::ceil(r.bottom())))};
}

void appendKey(QByteArray& key, std::initializer_list<double> values) {
    for (double v : values) {
        char bytes[sizeof v];
        std::memcpy(bytes, &v, sizeof v);
        key.append(bytes, sizeof v);
    }
}

void LayerCache::draw(QPainter& p, const QByteArray& key, const QRectF& bounds,
                      const std::function<void(QPainter&)>& fill) {
    const QTransform transform = p.deviceTransform();
    const QRect deviceBox = pixelsReachedBy(transform.mapRect(bounds));
    const bool inside = p.device() != nullptr &&
                        QRect(0, 0, p.device()->width(), p.device()->height()).contains(deviceBox);
    if (!cachingEnabled || !inside || !transform.isAffine() || !layersBlendExactly(p)) {
        p.save();
        fill(p);
        p.restore();
        return;
    }
    QByteArray fullKey = key;
    appendKey(fullKey, {transform.m11(), transform.m12(), transform.m21(), transform.m22(),
                        transform.dx(), transform.dy()});
    auto found = entries_.find(fullKey);
    if (found != entries_.end()) {
        recent_.splice(recent_.begin(), recent_, found->second.recent);
    } else {
        Layer layer = Layer::record(deviceBox, transform, fill);
        bytes_ += layer.bytes();
        recent_.push_front(fullKey);
        found = entries_.emplace(fullKey, Entry{std::move(layer), recent_.begin()}).first;
        while (bytes_ > budget_ && recent_.size() > 1) {
            const auto oldest = entries_.find(recent_.back());
            bytes_ -= oldest->second.layer.bytes();
            entries_.erase(oldest);
            recent_.pop_back();
        }
    }
    found->second.layer.paint(p);
}

void LayerCache::setEnabled(bool enabled) {
    cachingEnabled = enabled;
}

bool LayerCache::enabled() {
    return cachingEnabled;
}

LayerCache& LayerCache::forThisThread() {
    thread_local LayerCache cache(kBudgetBytes);
    return cache;
}

}  // namespace lumenor::render
