#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <utility>
#include <vector>

#include "support/process.h"

namespace lumenor {
namespace {

using test::lumenorBinary;
using test::runProcess;

QProcessEnvironment withoutDisplay() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    return env;
}

// Chunk types of a PNG file, in order.
QStringList chunkTypes(const QByteArray& png) {
    QStringList types;
    qsizetype at = 8;
    while (at + 8 <= png.size()) {
        const auto* p = reinterpret_cast<const unsigned char*>(png.constData() + at);
        const quint32 length =
            (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
        types << QString::fromLatin1(png.mid(at + 4, 4));
        at += 12 + length;
    }
    return types;
}

TEST(RenderCommand, WritesAnRgbPngWithoutColourChunks) {
    QTemporaryDir dir;
    const QString out = dir.filePath("grey.png");
    const auto result = runProcess(
        lumenorBinary(), {"render", "grey50", "--size", "33x17", "-o", out}, withoutDisplay());
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray png = file.readAll();
    ASSERT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n"));
    // IHDR: bit depth 8, colour type 2 (RGB).
    EXPECT_EQ(static_cast<unsigned char>(png[24]), 8);
    EXPECT_EQ(static_cast<unsigned char>(png[25]), 2);
    const QStringList types = chunkTypes(png);
    EXPECT_EQ(types.first(), QStringLiteral("IHDR"));
    EXPECT_EQ(types.last(), QStringLiteral("IEND"));
    for (const char* banned : {"gAMA", "iCCP", "sRGB", "cHRM"}) {
        EXPECT_FALSE(types.contains(QLatin1String(banned))) << banned;
    }
    const QImage image = QImage::fromData(png, "PNG");
    EXPECT_EQ(image.size(), QSize(33, 17));
    EXPECT_EQ(image.pixel(5, 5), qRgb(128, 128, 128));
}

TEST(RenderCommand, OptionsReachTheRenderer) {
    QTemporaryDir dir;
    QImage red(20, 10, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    ASSERT_TRUE(red.save(dir.filePath("red.png")));
    const QRgb white = qRgb(255, 255, 255);
    const QRgb black = qRgb(0, 0, 0);
    struct Case {
        QStringList args;
        QSize size;
        std::vector<std::pair<QPoint, QRgb>> pixels;
    };
    const Case cases[] = {
        // Full HD on standard output unless told otherwise.
        {{"smpte"}, {1920, 1080}, {{{10, 10}, white}, {{1910, 10}, qRgb(0, 0, 255)}}},
        {{"grid", "--size", "300x200", "--scale", "2"},
         {300, 200},
         {{{128, 100}, white}, {{127, 100}, white}, {{64, 100}, black}}},
        // Half way through a sweep of 3.125 s the block is at x = (W + bw) / 2 - bw.
        {{"movingBlock", "--size", "1000x10", "--time", "1.5625"},
         {1000, 10},
         {{{460, 5}, white}, {{459, 5}, black}}},
        {{"aspect", "--size", "160x90", "--aspect", ""}, {160, 90}, {{{0, 45}, black}}},
        {{"aspect", "--size", "160x90", "--aspect", "16:9"},
         {160, 90},
         {{{0, 45}, qRgb(0, 255, 0)}}},
        {{"slate", "--size", "200x200", "--slate-image", dir.filePath("red.png")},
         {200, 200},
         {{{100, 100}, qRgb(255, 0, 0)}, {{100, 30}, black}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const auto result =
            runProcess(lumenorBinary(), QStringList{"render"} + c.args, withoutDisplay());
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
        const QImage image = QImage::fromData(result.out, "PNG");
        EXPECT_EQ(image.size(), c.size);
        for (const auto& [at, colour] : c.pixels) {
            EXPECT_EQ(image.pixel(at), colour) << at.x() << "," << at.y();
        }
    }
}

TEST(RenderCommand, BadInputExitsTwoWithOneLineAndNoFile) {
    QTemporaryDir dir;
    const QString out = dir.filePath("never.png");
    const QStringList cases[] = {
        {"render", "Grid"},
        {"render", "grid", "--size", "0x10"},
        {"render", "grid", "--size", "10"},
        {"render", "grid", "--size", "-5x10"},
        {"render", "grid", "--size", "16385x10"},
        {"render", "grid", "--scale", "0"},
        {"render", "grid", "--scale", "1e-7"},
        {"render", "aspect", "--scale", "1e6"},
        {"render", "grid", "--time", "soon"},
        {"render", "grid", "--timecode-fps", "x"},
        {"render", "grid", "--aspect", "16:9,2:1"},
        {"render", "slate", "--slate-image", dir.filePath("missing.png")},
    };
    for (const QStringList& c : cases) {
        const auto result =
            runProcess(lumenorBinary(), c + QStringList{"-o", out}, withoutDisplay());
        EXPECT_EQ(result.exitCode, 2) << c.join(' ').toStdString();
        EXPECT_EQ(result.err.trimmed().count('\n'), 0) << result.err.toStdString();
        EXPECT_TRUE(result.err.startsWith("lumenor: render: ")) << result.err.toStdString();
        EXPECT_FALSE(QFile::exists(out)) << c.join(' ').toStdString();
    }
    const auto unknown = runProcess(lumenorBinary(), {"render", "gray50"}, withoutDisplay());
    EXPECT_TRUE(unknown.err.contains("grey50, red, green")) << unknown.err.toStdString();
    // Standard output on a terminal gets one line naming -o, not the PNG's bytes.
    const auto terminal =
        test::runOnTerminal(lumenorBinary(), {"render", "grey50"}, withoutDisplay());
    EXPECT_EQ(terminal.exitCode, 2);
    EXPECT_EQ(terminal.out,
              "lumenor: render: standard output is a terminal; write the PNG to a "
              "file with -o FILE\r\n");
}

}  // namespace
}  // namespace lumenor
