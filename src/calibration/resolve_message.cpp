#include "calibration/resolve_message.h"

#include <QXmlStreamReader>

#include <cmath>
#include <vector>

namespace lumenor {

namespace {

// Slack for geometry written with four decimals.
constexpr double kEdgeSlack = 1e-4;

std::optional<double> number(const QXmlStreamAttributes& attributes, QLatin1StringView name) {
    if (!attributes.hasAttribute(name)) {
        return std::nullopt;
    }
    QString text = attributes.value(name).trimmed().toString();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

struct Colour {
    DeviceRgb rgb;
};

std::optional<Colour> readColour(const QXmlStreamAttributes& attributes, QString* error) {
    int bits = 8;
    if (attributes.hasAttribute(QLatin1String("bits"))) {
        const std::optional<double> given = number(attributes, QLatin1String("bits"));
        if (!given || *given != std::floor(*given) || *given < 1 || *given > 16) {
            *error = QStringLiteral("bits must be a whole number from 1 to 16");
            return std::nullopt;
        }
        bits = static_cast<int>(*given);
    }
    Colour colour;
    colour.rgb.bits = bits;
    int* components[] = {&colour.rgb.r, &colour.rgb.g, &colour.rgb.b};
    const char* names[] = {"red", "green", "blue"};
    for (int i = 0; i < 3; ++i) {
        const std::optional<double> value = number(attributes, QLatin1StringView(names[i]));
        const std::optional<int> code = value ? codeAt(*value, bits) : std::nullopt;
        if (!code) {
            *error = QStringLiteral("%1 is missing or outside 0 to %2 at %3 bits")
                         .arg(QLatin1String(names[i]))
                         .arg((1 << bits) - 1)
                         .arg(bits);
            return std::nullopt;
        }
        *components[i] = *code;
    }
    return colour;
}

std::optional<ResolveGeometry> readGeometry(const QXmlStreamAttributes& attributes,
                                            QString* error) {
    ResolveGeometry g;
    double* values[] = {&g.x, &g.y, &g.w, &g.h};
    const char* names[] = {"x", "y", "cx", "cy"};
    for (int i = 0; i < 4; ++i) {
        const std::optional<double> value = number(attributes, QLatin1StringView(names[i]));
        if (!value) {
            *error = QStringLiteral("geometry %1 is missing or not a number")
                         .arg(QLatin1String(names[i]));
            return std::nullopt;
        }
        *values[i] = *value;
    }
    return g;
}

struct Shape {
    std::optional<Colour> colour;
    std::optional<ResolveGeometry> geometry;
};

// Reads the children of the current element into `shape`; false after an error.
bool readShape(QXmlStreamReader& xml, Shape& shape, QString* error) {
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        if (name == QLatin1String("color")) {
            shape.colour = readColour(xml.attributes(), error);
            if (!shape.colour) {
                return false;
            }
        } else if (name == QLatin1String("geometry")) {
            shape.geometry = readGeometry(xml.attributes(), error);
            if (!shape.geometry) {
                return false;
            }
        }
        xml.skipCurrentElement();
    }
    return true;
}

}  // namespace

ResolveParse parseResolveMessage(QByteArrayView bytes) {
    ResolveParse result;
    QXmlStreamReader xml(bytes.toByteArray());
    if (!xml.readNextStartElement()) {
        result.error = QStringLiteral("not XML: %1").arg(xml.errorString());
        return result;
    }
    if (xml.name() != QLatin1String("calibration")) {
        result.error = QStringLiteral("not a calibration message (<%1>)").arg(xml.name());
        return result;
    }
    Shape direct;
    std::optional<Colour> background;
    std::vector<Shape> rectangles;
    bool sawShapes = false;
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        if (name == QLatin1String("color") || name == QLatin1String("background")) {
            std::optional<Colour> c = readColour(xml.attributes(), &result.error);
            if (!c) {
                return result;
            }
            (name == QLatin1String("color") ? direct.colour : background) = c;
            xml.skipCurrentElement();
        } else if (name == QLatin1String("geometry")) {
            direct.geometry = readGeometry(xml.attributes(), &result.error);
            if (!direct.geometry) {
                return result;
            }
            xml.skipCurrentElement();
        } else if (name == QLatin1String("shapes")) {
            sawShapes = true;
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("rectangle")) {
                    rectangles.emplace_back();
                    if (!readShape(xml, rectangles.back(), &result.error)) {
                        return result;
                    }
                } else {
                    xml.skipCurrentElement();
                }
            }
        } else {
            xml.skipCurrentElement();
        }
    }
    while (!xml.atEnd()) {
        xml.readNext();
    }
    if (xml.hasError()) {
        result.error = QStringLiteral("not XML: %1").arg(xml.errorString());
        return result;
    }
    if (sawShapes) {
        if (rectangles.empty() || rectangles.size() > 2) {
            result.error = QStringLiteral("<shapes> must hold one or two rectangles");
            return result;
        }
        if (rectangles.size() == 2) {
            background = rectangles.front().colour;
        }
        direct = rectangles.back();
    }
    if (!direct.colour) {
        result.error = QStringLiteral("no patch colour in the message");
        return result;
    }
    ResolveRequest request;
    request.colour = direct.colour->rgb;
    request.background = background ? background->rgb : DeviceRgb{};
    request.geometry = direct.geometry;
    result.request = request;
    return result;
}

std::optional<QRectF> resolveGeometry(const ResolveGeometry& g, QSize display) {
    double x = g.x;
    double y = g.y;
    double w = g.w;
    double h = g.h;
    if (x > 1.0 || y > 1.0 || w > 1.0 || h > 1.0) {
        if (display.isEmpty()) {
            return std::nullopt;
        }
        x /= display.width();
        w /= display.width();
        y /= display.height();
        h /= display.height();
    }
    if (x < 0.0 || y < 0.0 || w <= 0.0 || h <= 0.0 || x + w > 1.0 + kEdgeSlack ||
        y + h > 1.0 + kEdgeSlack) {
        return std::nullopt;
    }
    return QRectF(x, y, std::min(w, 1.0 - x), std::min(h, 1.0 - y));
}

}  // namespace lumenor
