#pragma once

#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRectF>
#include <QRgba64>

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <list>
#include <unordered_map>
#include <utility>
#include <vector>

// Layers of the animated patterns that recur from frame to frame (a ring, the glyphs of a digit),
// drawn once and laid over later frames.
namespace lumenor::render {

// One fill kept as runs of premultiplied pixels, the transparent ones left out. Drawn on a
// transparent image, a fill stores exactly the colour it would blend onto a frame with each
// pixel's coverage; laying a run over a frame blends it with the raster engine's own source-over
// arithmetic (dest = src + dest * (255 - alpha) / 255, rounded as the engine rounds), and copies
// or fills opaque runs, so the frame comes out the same as if the fill had been drawn on it.
// For a frame of ten bits a channel the engine blends at sixteen bits (dest = src + dest *
// (65535 - alpha) / 65535) and keeps each channel's top ten: the layer is recorded and laid
// over the same way.
class Layer {
  public:
    // Draws `fill` (one fill operation, with `transform` as its painter's starting transform)
    // onto a transparent image covering `deviceBox`, for a target of `format`.
    static Layer record(const QRect& deviceBox, const QTransform& transform, QImage::Format format,
                        const std::function<void(QPainter&)>& fill);
    // Lays the layer over `target`, an image of the format it was recorded for (32-bit RGB or
    // premultiplied, or RGB30) that holds `deviceBox`.
    void paint(QImage& target) const;
    std::size_t bytes() const {
        return pixels_.size() * sizeof(QRgb) + wide_.size() * sizeof(QRgba64) +
               runs_.size() * sizeof(Run);
    }

  private:
    struct Run {
        int x;
        int y;
        int length;
        std::size_t offset;                         // into pixels_
        enum Kind { blended, copied, solid } kind;  // solid: one opaque colour, stored once
    };
    template <typename Pixel, typename AddRun>
    static void scan(const QImage& image, const AddRun& addRun);
    void addRun(const QRgb* line, const QRect& box, int y, int start, int end, bool opaque);
    void addRun(const QRgba64* line, const QRect& box, int y, int start, int end, bool opaque);
    void paintDeep(QImage& target) const;

    bool deep_ = false;  // recorded for a target of ten bits a channel
    std::vector<Run> runs_;
    // Premultiplied ARGB; in a deep layer, the opaque runs as RGB30 words.
    std::vector<QRgb> pixels_;
    std::vector<QRgba64> wide_;  // a deep layer's blended runs, premultiplied
};

// The layers drawn in the last kIdleSeconds, up to a memory budget, on the calling thread. A
// layer that has not been drawn for that long goes: a running show keeps meeting new ones (each
// new digit of a timecode in each place), and keeping them all would grow the cache for hours.
class LayerCache {
  public:
    // Seconds on a monotonic clock.
    using Clock = std::function<double()>;
    // Longer than the ten seconds in which a timecode's digits of the seconds come round again.
    static constexpr double kIdleSeconds = 15.0;

    explicit LayerCache(std::size_t byteBudget, Clock clock = steadySeconds)
        : budget_(byteBudget), clock_(std::move(clock)) {}

    // Draws `fill` on `p` through the cache. `key` names everything the fill's pixels depend on
    // besides the painter's transform; `bounds` (in the painter's current coordinates) holds
    // everything the fill touches. Where a laid-over layer could differ from drawing (another
    // target format, a clip, the layer reaching past the canvas), the fill is drawn directly.
    void draw(QPainter& p, const QByteArray& key, const QRectF& bounds,
              const std::function<void(QPainter&)>& fill);

    // Whether this thread draws through its cache; off, every fill is drawn directly.
    static void setEnabled(bool enabled);
    static bool enabled();
    static LayerCache& forThisThread();

    // What the cache holds: its layers and their bytes.
    std::size_t size() const { return entries_.size(); }
    std::size_t bytes() const { return bytes_; }

  private:
    static double steadySeconds();
    void dropOldest();

    struct Use {
        QByteArray key;
        double drawnAt;
    };
    using Order = std::list<Use>;
    struct Entry {
        Layer layer;
        Order::iterator recent;
    };

    std::size_t budget_;
    Clock clock_;
    std::size_t bytes_ = 0;
    Order recent_;  // most recent first
    struct Hash {
        std::size_t operator()(const QByteArray& key) const { return qHash(key); }
    };
    std::unordered_map<QByteArray, Entry, Hash> entries_;
};

// The whole pixels that anything drawn inside `deviceRect` can reach: coverage reaches the pixels
// the rectangle only touches, so it is rounded out with a pixel's margin.
QRect pixelsReachedBy(const QRectF& deviceRect);

// Appends the raw bytes of `values` to `key`.
void appendKey(QByteArray& key, std::initializer_list<double> values);

}  // namespace lumenor::render
