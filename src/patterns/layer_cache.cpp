#include "patterns/layer_cache.h"

#include <QPaintDevice>
#include <QTransform>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace lumenor::render {

namespace {

// Enough for the glyphs of a running timecode and the digits of a countdown on an 8K canvas.
constexpr std::size_t kBudgetBytes = std::size_t{96} << 20;

thread_local bool cachingEnabled = true;

// Opaque stretches at least this long are copied or filled as runs of their own.
constexpr int kCopiedRun = 32;

// The raster engine's x * a / 255 on each byte of a pixel, with its rounding.
QRgb byteMul(QRgb x, uint a) {
    quint64 t = ((quint64{x} | (quint64{x} << 24)) & 0x00ff00ff00ff00ffULL) * a;
    t = (t + ((t >> 8) & 0x00ff00ff00ff00ffULL) + 0x0080008000800080ULL) >> 8;
    t &= 0x00ff00ff00ff00ffULL;
    return static_cast<QRgb>(t) | static_cast<QRgb>(t >> 24);
}

// Whether laying a layer over `p`'s canvas blends the same as drawing on it: a 32-bit RGB,
// premultiplied or RGB30 image, source-over, full opacity, no clip.
bool layersBlendExactly(const QPainter& p) {
    const QPaintDevice* device = p.device();
    if (device == nullptr || device->devType() != QInternal::Image) {
        return false;
    }
    const auto format = static_cast<const QImage*>(device)->format();
    return (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied ||
            format == QImage::Format_RGB30) &&
           p.compositionMode() == QPainter::CompositionMode_SourceOver && p.opacity() == 1.0 &&
           !p.hasClipping();
}

// A run of one colour: a few pixels written, then doubled with the library's fast copy.
void fillPixels(quint32* dest, int count, quint32 colour) {
    const int head = std::min(count, 16);
    std::fill_n(dest, head, colour);
    for (int done = head; done < count;) {
        const int chunk = std::min(done, count - done);
        std::memcpy(dest + done, dest, sizeof(QRgb) * static_cast<std::size_t>(chunk));
        done += chunk;
    }
}

// The raster engine's x * a / 65535 on each channel, with its rounding.
QRgba64 wideMul(QRgba64 x, uint a) {
    const auto div = [](uint v) { return static_cast<quint16>((v + (v >> 16) + 0x8000u) >> 16); };
    return QRgba64::fromRgba64(div(x.red() * a), div(x.green() * a), div(x.blue() * a),
                               div(x.alpha() * a));
}

// An opaque pixel as RGB30 keeps each channel's top ten bits, as the engine stores it.
quint32 toRgb30(QRgba64 c) {
    return 0xC0000000u | (quint32{c.red()} >> 6 << 20) | (quint32{c.green()} >> 6 << 10) |
           (quint32{c.blue()} >> 6);
}

QRgba64 fromRgb30(quint32 p) {
    const auto widen = [](quint32 v) { return static_cast<quint16>((v << 6) | (v >> 4)); };
    return QRgba64::fromRgba64(widen((p >> 20) & 0x3FF), widen((p >> 10) & 0x3FF), widen(p & 0x3FF),
                               65535);
}

bool isClear(QRgb p) {
    return p == 0;
}
bool isClear(QRgba64 p) {
    return p == QRgba64();
}
bool isOpaque(QRgb p) {
    return qAlpha(p) == 255;
}
bool isOpaque(QRgba64 p) {
    return p.isOpaque();
}

}  // namespace

// Stretches of ink, row by row; long opaque parts of a stretch are runs of their own.
template <typename Pixel, typename AddRun>
void Layer::scan(const QImage& image, const AddRun& addRun) {
    const int w = image.width();
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const Pixel*>(image.constScanLine(y));
        int x = 0;
        while (x < w) {
            if (isClear(line[x])) {
                ++x;
                continue;
            }
            int mixed = x;
            while (x < w && !isClear(line[x])) {
                int opaqueEnd = x;
                while (opaqueEnd < w && isOpaque(line[opaqueEnd])) {
                    ++opaqueEnd;
                }
                if (opaqueEnd - x >= kCopiedRun) {
                    addRun(line, y, mixed, x, false);
                    addRun(line, y, x, opaqueEnd, true);
                    mixed = opaqueEnd;
                    x = opaqueEnd;
                } else {
                    x = std::max(opaqueEnd, x + 1);
                }
            }
            addRun(line, y, mixed, x, false);
        }
    }
}

Layer Layer::record(const QRect& deviceBox, const QTransform& transform, QImage::Format format,
                    const std::function<void(QPainter&)>& fill) {
    Layer layer;
    layer.deep_ = format == QImage::Format_RGB30;
    QImage image(deviceBox.size(), layer.deep_ ? QImage::Format_RGBA64_Premultiplied
                                               : QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter q(&image);
        // Whole-pixel shifts leave every coordinate's fraction, and so every coverage, as it is.
        q.setTransform(transform * QTransform::fromTranslate(-deviceBox.x(), -deviceBox.y()));
        fill(q);
    }
    const auto add = [&](const auto* line, int y, int start, int end, bool opaque) {
        layer.addRun(line, deviceBox, y, start, end, opaque);
    };
    if (layer.deep_) {
        scan<QRgba64>(image, add);
    } else {
        scan<QRgb>(image, add);
    }
    return layer;
}

void Layer::addRun(const QRgb* line, const QRect& box, int y, int start, int end, bool opaque) {
    if (end <= start) {
        return;
    }
    const bool solid =
        opaque && std::all_of(line + start, line + end, [&](QRgb px) { return px == line[start]; });
    const Run::Kind kind = solid ? Run::solid : opaque ? Run::copied : Run::blended;
    runs_.push_back({box.x() + start, box.y() + y, end - start, pixels_.size(), kind});
    pixels_.insert(pixels_.end(), line + start, solid ? line + start + 1 : line + end);
}

void Layer::addRun(const QRgba64* line, const QRect& box, int y, int start, int end, bool opaque) {
    if (end <= start) {
        return;
    }
    if (!opaque) {
        runs_.push_back({box.x() + start, box.y() + y, end - start, wide_.size(), Run::blended});
        wide_.insert(wide_.end(), line + start, line + end);
        return;
    }
    const quint32 first = toRgb30(line[start]);
    const bool solid =
        std::all_of(line + start, line + end, [&](QRgba64 px) { return toRgb30(px) == first; });
    runs_.push_back({box.x() + start, box.y() + y, end - start, pixels_.size(),
                     solid ? Run::solid : Run::copied});
    for (int x = start; x < (solid ? start + 1 : end); ++x) {
        pixels_.push_back(toRgb30(line[x]));
    }
}

void Layer::paint(QImage& target) const {
    if (deep_) {
        paintDeep(target);
        return;
    }
    // The painter draws into this same memory; constBits does not detach it from the painter.
    auto* bits = const_cast<uchar*>(target.constBits());
    const qsizetype stride = target.bytesPerLine();
    for (const Run& run : runs_) {
        auto* dest = reinterpret_cast<QRgb*>(bits + run.y * stride) + run.x;
        const QRgb* src = pixels_.data() + run.offset;
        if (run.kind == Run::solid) {
            fillPixels(dest, run.length, *src);
            continue;
        }
        if (run.kind == Run::copied) {
            std::memcpy(dest, src, sizeof(QRgb) * static_cast<std::size_t>(run.length));
            continue;
        }
        for (int i = 0; i < run.length; ++i) {
            const uint alpha = qAlpha(src[i]);
            dest[i] = alpha == 255 ? src[i] : src[i] + byteMul(dest[i], 255 - alpha);
        }
    }
}

void Layer::paintDeep(QImage& target) const {
    auto* bits = const_cast<uchar*>(target.constBits());
    const qsizetype stride = target.bytesPerLine();
    for (const Run& run : runs_) {
        auto* dest = reinterpret_cast<quint32*>(bits + run.y * stride) + run.x;
        if (run.kind == Run::solid) {
            fillPixels(dest, run.length, pixels_[run.offset]);
            continue;
        }
        if (run.kind == Run::copied) {
            std::memcpy(dest, pixels_.data() + run.offset,
                        sizeof(quint32) * static_cast<std::size_t>(run.length));
            continue;
        }
        const QRgba64* src = wide_.data() + run.offset;
        for (int i = 0; i < run.length; ++i) {
            const QRgba64 under = wideMul(fromRgb30(dest[i]), 65535u - src[i].alpha());
            dest[i] = toRgb30(
                QRgba64::fromRgba64(static_cast<quint16>(src[i].red() + under.red()),
                                    static_cast<quint16>(src[i].green() + under.green()),
                                    static_cast<quint16>(src[i].blue() + under.blue()), 65535));
        }
    }
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
    const QImage::Format format = static_cast<const QImage*>(p.device())->format();
    QByteArray fullKey = key;
    appendKey(fullKey, {static_cast<double>(format), transform.m11(), transform.m12(),
                        transform.m21(), transform.m22(), transform.dx(), transform.dy()});
    const double now = clock_();
    auto found = entries_.find(fullKey);
    if (found != entries_.end()) {
        found->second.recent->drawnAt = now;
        recent_.splice(recent_.begin(), recent_, found->second.recent);
    } else {
        Layer layer = Layer::record(deviceBox, transform, format, fill);
        bytes_ += layer.bytes();
        recent_.push_front({fullKey, now});
        found = entries_.emplace(fullKey, Entry{std::move(layer), recent_.begin()}).first;
    }
    while (recent_.size() > 1 &&
           (bytes_ > budget_ || now - recent_.back().drawnAt > kIdleSeconds)) {
        dropOldest();
    }
    found->second.layer.paint(*static_cast<QImage*>(p.device()));
}

void LayerCache::dropOldest() {
    const auto oldest = entries_.find(recent_.back().key);
    bytes_ -= oldest->second.layer.bytes();
    entries_.erase(oldest);
    recent_.pop_back();
}

double LayerCache::steadySeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
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
