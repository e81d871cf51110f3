#include <QColorSpace>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "app/cli/cli_support.h"
#include "app/cli/commands.h"
#include "app/cli/png_encoder.h"
#include "patterns/anim.h"
#include "patterns/aspect_tables.h"
#include "patterns/pattern.h"
#include "patterns/pattern_renderer.h"
#include "patterns/video_levels.h"

namespace lumenor::cli {

namespace {

constexpr int kMaxSide = 16384;

QString patternList() {
    QStringList names;
    for (Pattern p : allPatterns()) {
        names << rawName(p);
    }
    return names.join(QStringLiteral(", "));
}

std::optional<double> finiteNumber(const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

struct Options {
    Pattern pattern = Pattern::calibration;
    int width = 1920;
    int height = 1080;
    double scale = 1;
    double time = 0;
    QSet<QString> aspects = defaultAspectSelection();
    double bouncePeriod = 1.0;
    int timecodeFps = 30;
    QString slateText;
    std::optional<QImage> slateImage;
    VideoRange range = VideoRange::full;
    int depth = 8;
    QString output;
};

// Fills `options` from the parsed arguments, or returns the problem in one line.
std::optional<QString> readOptions(const QCommandLineParser& parser, Options& options) {
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        return QStringLiteral("render: expected one pattern name (one of %1)").arg(patternList());
    }
    const std::optional<Pattern> pattern = patternFromRawName(positional.first());
    if (!pattern) {
        return QStringLiteral("render: unknown pattern '%1' (valid: %2)")
            .arg(positional.first(), patternList());
    }
    options.pattern = *pattern;
    if (parser.isSet(QStringLiteral("size"))) {
        static const QRegularExpression sizeForm(QStringLiteral("^([0-9]{1,9})x([0-9]{1,9})$"));
        const QString text = parser.value(QStringLiteral("size"));
        const QRegularExpressionMatch match = sizeForm.match(text);
        const int w = match.hasMatch() ? match.captured(1).toInt() : 0;
        const int h = match.hasMatch() ? match.captured(2).toInt() : 0;
        if (w <= 0 || h <= 0) {
            return QStringLiteral(
                       "render: --size '%1' is not WIDTHxHEIGHT in positive whole "
                       "pixels, e.g. 1920x1080")
                .arg(text);
        }
        if (w > kMaxSide || h > kMaxSide) {
            return QStringLiteral("render: --size '%1' is over %2 pixels on a side")
                .arg(text)
                .arg(kMaxSide);
        }
        options.width = w;
        options.height = h;
    }
    if (parser.isSet(QStringLiteral("scale"))) {
        const auto scale = finiteNumber(parser.value(QStringLiteral("scale")));
        if (!scale || *scale <= 0) {
            return QStringLiteral("render: --scale '%1' is not a positive number")
                .arg(parser.value(QStringLiteral("scale")));
        }
        if (*scale < PatternRenderer::kMinScale || *scale > PatternRenderer::kMaxScale) {
            return QStringLiteral("render: --scale '%1' is outside %2 to %3")
                .arg(parser.value(QStringLiteral("scale")))
                .arg(PatternRenderer::kMinScale)
                .arg(PatternRenderer::kMaxScale);
        }
        options.scale = *scale;
    }
    if (parser.isSet(QStringLiteral("time"))) {
        const auto time = finiteNumber(parser.value(QStringLiteral("time")));
        if (!time) {
            return QStringLiteral("render: --time '%1' is not a number of seconds")
                .arg(parser.value(QStringLiteral("time")));
        }
        options.time = *time;
    }
    if (parser.isSet(QStringLiteral("bounce-period"))) {
        bool ok = false;
        options.bouncePeriod = parser.value(QStringLiteral("bounce-period")).toDouble(&ok);
        if (!ok) {
            return QStringLiteral("render: --bounce-period '%1' is not a number of seconds")
                .arg(parser.value(QStringLiteral("bounce-period")));
        }
    }
    if (parser.isSet(QStringLiteral("timecode-fps"))) {
        bool ok = false;
        options.timecodeFps = parser.value(QStringLiteral("timecode-fps")).toInt(&ok);
        if (!ok) {
            return QStringLiteral("render: --timecode-fps '%1' is not a whole number")
                .arg(parser.value(QStringLiteral("timecode-fps")));
        }
    }
    if (parser.isSet(QStringLiteral("aspect"))) {
        options.aspects.clear();
        const QString list = parser.value(QStringLiteral("aspect"));
        const QSet<QString> valid = defaultAspectSelection();
        for (const QString& label : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (!valid.contains(label)) {
                return QStringLiteral(
                           "render: unknown aspect frame '%1' (valid: 21:9, 16:9, "
                           "16:10, 4:3)")
                    .arg(label);
            }
            options.aspects.insert(label);
        }
    }
    options.slateText = parser.value(QStringLiteral("slate-text"));
    if (parser.isSet(QStringLiteral("slate-image"))) {
        const QString file = parser.value(QStringLiteral("slate-image"));
        QImageReader reader(file);
        QImage image = reader.read();
        if (image.isNull()) {
            return QStringLiteral("render: cannot read slate image '%1': %2")
                .arg(file, reader.errorString());
        }
        options.slateImage = std::move(image);
    }
    if (parser.isSet(QStringLiteral("range"))) {
        const std::optional<VideoRange> range =
            rangeFromName(parser.value(QStringLiteral("range")));
        if (!range) {
            return QStringLiteral("render: --range '%1' is not full or limited")
                .arg(parser.value(QStringLiteral("range")));
        }
        options.range = *range;
    }
    if (parser.isSet(QStringLiteral("depth"))) {
        const QString depth = parser.value(QStringLiteral("depth"));
        if (depth != QLatin1String("8") && depth != QLatin1String("16")) {
            return QStringLiteral("render: --depth '%1' is not 8 or 16 bits").arg(depth);
        }
        options.depth = depth.toInt();
    }
    options.output = parser.value(QStringLiteral("o"));
    return std::nullopt;
}

QImage renderFrame(const Options& o) {
    // RGB32 is the raster engine's fastest target; the file gets 8-bit RGB, or 16-bit from a
    // 64-bit canvas.
    QImage canvas(o.width, o.height, o.depth == 16 ? QImage::Format_RGBX64 : QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        const Anim anim =
            makeAnim(o.pattern, o.time, o.width, o.height, o.bouncePeriod, o.timecodeFps, -1);
        PatternRenderer::draw(o.pattern, painter, o.width, o.height, o.scale, anim, o.aspects,
                              o.slateText, o.slateImage, o.range);
    }
    QImage rgb = o.depth == 16 ? std::move(canvas) : canvas.convertToFormat(QImage::Format_RGB888);
    // No colour space: the file holds device values, without gAMA, sRGB or iCCP chunks.
    rgb.setColorSpace(QColorSpace());
    return rgb;
}

}  // namespace

int runRender(int argc, char** argv) {
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("pattern"), QStringLiteral("pattern raw name"));
    for (const char* name : {"size", "scale", "time", "aspect", "bounce-period", "timecode-fps",
                             "slate-text", "slate-image", "range", "depth", "o"}) {
        parser.addOption(
            QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value")));
    }
    if (!parseOrExplain(parser, argc, argv, "render")) {
        return kExitUsage;
    }
    Options options;
    if (const std::optional<QString> problem = readOptions(parser, options)) {
        printError(*problem);
        return kExitUsage;
    }
    // A PNG's bytes would only garble the terminal; a pipe or a file gets them.
    if (options.output.isEmpty() && ::isatty(STDOUT_FILENO) != 0) {
        printError(QStringLiteral(
            "render: standard output is a terminal; write the PNG to a file with -o FILE"));
        return kExitUsage;
    }
    // Drawing text needs a GUI application; the offscreen platform needs no display server.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QtArguments qtArgs(argv[0]);
    QGuiApplication app(qtArgs.argc(), qtArgs.argv());
    const QImage image = renderFrame(options);

    const std::optional<QByteArray> encoded = encodePng(image);
    if (!encoded) {
        printError(QStringLiteral("render: could not encode the PNG"));
        return kExitEnvironment;
    }
    const QByteArray& png = *encoded;
    if (options.output.isEmpty()) {
        const size_t written =
            std::fwrite(png.constData(), 1, static_cast<size_t>(png.size()), stdout);
        if (written != static_cast<size_t>(png.size()) || std::fflush(stdout) != 0) {
            printError(QStringLiteral("render: could not write the PNG to standard output"));
            return kExitEnvironment;
        }
        return kExitOk;
    }
    QSaveFile file(options.output);
    if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size() || !file.commit()) {
        printError(QStringLiteral("render: cannot write '%1': %2")
                       .arg(options.output, file.errorString()));
        return kExitEnvironment;
    }
    return kExitOk;
}

}  // namespace lumenor::cli
