#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <numbers>
#include <utility>
#include <vector>

// Drawing helpers shared by the pattern families: whole-pixel strokes and fills, anti-aliased
// curves, and text filled as outlines. Coordinates are the patterns' y-up layout in device
// pixels.
namespace lumenor::render {

inline constexpr double kPi = std::numbers::pi;

// Device values are written unchanged: 0.5 becomes 128, 0.04 becomes 10.
QColor rgb(double r, double g, double b, double a = 1.0);
QColor withAlpha(QColor c, double a);

inline const QColor kInk = QColor(10, 11, 15);
inline const QColor kIris = QColor(140, 124, 247);
inline const QColor kWhite = QColor(255, 255, 255);

// Whole pixels covered by a stroke of width `width` centred on `c`, kept inside [0, limit].
std::pair<double, double> pixelSpan(double c, double width, double limit);

// Axis-aligned strokes collected as whole-pixel rectangles. Opaque strokes are filled rectangle by
// rectangle (the raster engine's fast path); translucent ones as one path, so that crossings are
// not painted twice.
class CrispStrokes {
  public:
    CrispStrokes(double W, double H) : w_(W), h_(H) {}

    // From (x0, y) to (x1, y); `extend` lengthens both ends by half the width (for joins).
    void horizontal(double x0, double x1, double y, double width, bool extend = false);
    void vertical(double x, double y0, double y1, double width, bool extend = false);
    void rect(double x, double y, double w, double h, double width);
    void fill(QPainter& p, const QColor& colour);

  private:
    void addRect(double x0, double y0, double x1, double y1);

    double w_;
    double h_;
    std::vector<QRectF> rects_;
};

// A filled rectangle with its edges on whole pixels.
void fillCrisp(QPainter& p, double x, double y, double w, double h, const QColor& colour);
void fillAll(QPainter& p, double W, double H, const QColor& colour);

QPen pen(const QColor& colour, double width);
void strokeCircle(QPainter& p, QPointF c, double r, const QColor& colour, double width);
void fillShape(QPainter& p, const QPainterPath& path, const QColor& colour);

// Counter-clockwise (in the y-up layout) arc of radius r about c from angle a0 by `sweep`.
void arcTo(QPainterPath& path, QPointF c, double r, double a0, double sweep);

// Measured single line of text.
struct TextLine {
    QFont font;
    QString text;
    double width;
    double ascent;
    double descent;
};

TextLine measure(const char* family, double size, const QString& text);
// Draws with the baseline starting at (x, y).
void drawText(QPainter& p, const TextLine& line, double x, double y, const QColor& colour);
double centredBaseline(const TextLine& line, double yc);
void drawCentred(QPainter& p, const TextLine& line, double cx, double cy, const QColor& colour);

}  // namespace lumenor::render
