#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <array>
#include <cmath>
#include <tuple>
#include <utility>
#include <vector>

#include "support/process.h"

namespace lumenor {
namespace {

using test::lumenorBinary;
using test::runProcess;
using test::withoutDisplay;

TEST(RenderCommand, WritesRgbPngsAtEightOrSixteenBitsWithItsOptionsAndRefusesBadInputWithNoFile) {
    QTemporaryDir dir;
    const QString out = dir.filePath("grey.png");
    const auto result = runProcess(
        lumenorBinary(), {"render", "grey50", "--size", "33x17", "-o", out}, withoutDisplay());
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray png = file.readAll();
    // The signature, then IHDR: bit depth 8, colour type 2 (RGB); the file ends with IEND.
    ASSERT_TRUE(png.startsWith(QByteArray::fromHex("89504e470d0a1a0a0000000d") + "IHDR"));
    EXPECT_EQ(static_cast<unsigned char>(png[24]), 8);
    EXPECT_EQ(static_cast<unsigned char>(png[25]), 2);
    EXPECT_TRUE(png.endsWith(QByteArray::fromHex("0000000049454e44ae426082")));
    for (const char* banned : {"gAMA", "iCCP", "sRGB", "cHRM"}) {
        EXPECT_FALSE(png.contains(banned)) << banned;
    }
    const QImage image = QImage::fromData(png, "PNG");
    EXPECT_EQ(image.size(), QSize(33, 17));
    EXPECT_EQ(image.pixel(5, 5), qRgb(128, 128, 128));

    // --depth 16 keeps the samples whole: the HD bars' step below black, 46 in ten bits, has no
    // 8-bit code. The bars' values themselves are the renderer's tests.
    const auto wide = runProcess(
        lumenorBinary(),
        {"render", "smpteHdBars", "--size", "1920x1080", "--range", "limited", "--depth", "16"},
        withoutDisplay());
    ASSERT_EQ(wide.exitCode, 0) << wide.err.toStdString();
    EXPECT_EQ(static_cast<unsigned char>(wide.out[24]), 16);
    EXPECT_EQ(QImage::fromData(wide.out, "PNG").pixelColor(1165, 1000).rgba64().green() >> 6, 46);

    // The options reach the renderer.
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
        // Limited range is compared with an independent generator below.
        {{"smpteHdBars", "--size", "1920x1080", "--range", "full"},
         {1920, 1080},
         {{{700, 1000}, white}, {{1640, 1000}, black}}},
        // The grey file above as the slate's logo.
        {{"slate", "--size", "200x200", "--slate-image", out},
         {200, 200},
         {{{100, 100}, qRgb(128, 128, 128)}, {{100, 30}, black}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const auto r =
            runProcess(lumenorBinary(), QStringList{"render"} + c.args, withoutDisplay());
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const QImage drawn = QImage::fromData(r.out, "PNG");
        EXPECT_EQ(drawn.size(), c.size);
        for (const auto& [at, colour] : c.pixels) {
            EXPECT_EQ(drawn.pixel(at), colour) << at.x() << "," << at.y();
        }
    }

    // Bad input exits with 2 and one line, and writes no file.
    const QString never = dir.filePath("never.png");
    const QStringList refused[] = {
        {"render", "grid", "--size", "0x10"},
        {"render", "grid", "--size", "10"},
        {"render", "grid", "--size", "16385x10"},
        {"render", "grid", "--scale", "0"},
        {"render", "aspect", "--scale", "1e6"},
        {"render", "grid", "--time", "soon"},
        {"render", "grid", "--timecode-fps", "x"},
        {"render", "grid", "--aspect", "16:9,2:1"},
        {"render", "slate", "--slate-image", dir.filePath("missing.png")},
        {"render", "smpteHdBars", "--range", "video"},
        {"render", "grid", "--depth", "10"},
    };
    for (const QStringList& c : refused) {
        const auto r = runProcess(lumenorBinary(), c + QStringList{"-o", never}, withoutDisplay());
        EXPECT_EQ(r.exitCode, 2) << c.join(' ').toStdString();
        EXPECT_EQ(r.err.trimmed().count('\n'), 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith("lumenor: render: ")) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(never)) << c.join(' ').toStdString();
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

// An 8-bit narrow-range R'G'B' pixel as BT.709 Y'CbCr codes.
std::array<double, 3> ycbcr(QRgb p) {
    const double r = (qRed(p) - 16) / 219.0;
    const double g = (qGreen(p) - 16) / 219.0;
    const double b = (qBlue(p) - 16) / 219.0;
    const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    return {16 + 219 * y, 128 + 224 * (b - y) / 1.8556, 128 + 224 * (r - y) / 1.5748};
}

// The HD bars in limited range against ffmpeg's, drawn independently, in regions both draw
// alike, beside those the renderer's test holds to 10-bit codes; ffmpeg's I and Q differ from
// the standard's, so ours are held to the standard's 10-bit values, a quarter of them in 8 bits.
TEST(RenderCommand, HdBarsMatchAnIndependentGenerator) {
    const auto mine = runProcess(
        lumenorBinary(), {"render", "smpteHdBars", "--size", "1920x1080", "--range", "limited"},
        withoutDisplay());
    ASSERT_EQ(mine.exitCode, 0) << mine.err.toStdString();
    const QImage bars = QImage::fromData(mine.out, "PNG");
    const auto theirs = runProcess(
        "ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "smptehdbars=size=1920x1080,format=yuv444p",
                   "-frames:v", "1", "-f", "rawvideo", "-"});
    ASSERT_EQ(theirs.exitCode, 0) << theirs.err.toStdString();
    constexpr int kW = 1920;
    constexpr int kPlane = 1920 * 1080;
    ASSERT_EQ(theirs.out.size(), 3 * kPlane);
    const auto ffmpeg = [&theirs](int x, int y) {
        const auto* d = reinterpret_cast<const unsigned char*>(theirs.out.constData());
        return std::array<double, 3>{double(d[y * kW + x]), double(d[kPlane + y * kW + x]),
                                     double(d[2 * kPlane + y * kW + x])};
    };
    const double c = 1440.0 / 7;
    const auto bar = [c](double units) { return static_cast<int>(240 + units * c); };
    std::vector<std::tuple<const char*, int, int>> regions = {
        {"40 % grey", 120, 315},    {"75 % white row", 1000, 675}, {"100 % blue", 1800, 675},
        {"100 % yellow", 120, 765}, {"black", bar(0.75), 945},
    };
    for (int i = 0; i < 7; ++i) {
        regions.emplace_back("75 % bar", bar(i + 0.5), 315);
    }
    for (const auto& [what, x, y] : regions) {
        const auto ours = ycbcr(bars.pixel(x, y));
        const auto ref = ffmpeg(x, y);
        for (int k = 0; k < 3; ++k) {
            EXPECT_LE(std::abs(std::round(ours[k]) - ref[k]), 1) << what << " channel " << k;
        }
    }
    const std::tuple<const char*, int, std::array<int, 3>> standard[] = {
        {"-I", 675, {244, 612, 395}}, {"+Q", 765, {141, 697, 606}}};
    for (const auto& [what, y, codes] : standard) {
        const auto ours = ycbcr(bars.pixel(bar(0.5), y));
        for (int k = 0; k < 3; ++k) {
            EXPECT_LE(std::abs(ours[k] - codes[k] / 4.0), 1) << what << " channel " << k;
        }
    }
}

}  // namespace
}  // namespace lumenor
