#include <gtest/gtest.h>

#include "calibration/patch_source.h"
#include "calibration/resolve_frame_reader.h"
#include "calibration/resolve_message.h"
#include "calibration/web_display_message.h"
#include "support/patch_protocol.h"

namespace lumenor {
namespace {

using Kind = ResolveFrameReader::Event::Kind;

using test::lengthHeader;

TEST(ResolveFrameReader, CutsMessagesFromAnyPiecesAndStopsAtTheEnd) {
    const QByteArray stream =
        lengthHeader(3) + "abc" + lengthHeader(2) + "de" + lengthHeader(0) + lengthHeader(1) + "f";
    for (const int piece : {1, 2, 5, 100}) {
        ResolveFrameReader reader;
        std::vector<ResolveFrameReader::Event> events;
        for (qsizetype at = 0; at < stream.size(); at += piece) {
            for (auto& e : reader.feed(stream.mid(at, piece))) {
                events.push_back(e);
            }
        }
        ASSERT_EQ(events.size(), 3u) << piece;
        EXPECT_EQ(events[0].body, "abc");
        EXPECT_EQ(events[1].body, "de");
        EXPECT_EQ(events[2].kind, Kind::end);
        EXPECT_TRUE(reader.finished());
    }
    ResolveFrameReader negative;
    EXPECT_EQ(negative.feed(lengthHeader(-5)).at(0).kind, Kind::end);
    ResolveFrameReader huge;
    const auto events = huge.feed(lengthHeader(ResolveFrameReader::kMaxLength + 1) + "x");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, Kind::oversized);
    EXPECT_TRUE(huge.feed(lengthHeader(1) + "y").empty());
    ResolveFrameReader cut;
    EXPECT_TRUE(cut.feed(lengthHeader(ResolveFrameReader::kMaxLength) + "partial").empty());
    EXPECT_EQ(cut.pending(), 11);
}

// The direct form, its bits, decimal commas and a shown colour's rounding are the command's tests,
// on the head, with the calibration program's own messages; one rectangle among shapes is a patch
// over black.
TEST(ResolveMessage, OneRectangleAmongShapesIsAPatchOverBlack) {
    const ResolveParse one = parseResolveMessage(
        R"(<calibration><shapes><rectangle><color red="9" green="8" blue="7"/>)"
        R"(<geometry x="0" y="0" cx="1" cy="1"/></rectangle></shapes></calibration>)");
    ASSERT_TRUE(one.request);
    EXPECT_EQ(one.request->colour, (DeviceRgb{9, 8, 7}));
    EXPECT_EQ(one.request->background, (DeviceRgb{0, 0, 0}));
}

TEST(ResolveMessage, RefusesWhatIsBrokenOrOutOfRange) {
    const char* refused[] = {
        "",
        "<calibration><color red=\"1\"",
        "<calibration><color red=\"1\" green=\"2\" blue=\"3\"/></calibration><extra/>",
        "<other><color red=\"1\" green=\"2\" blue=\"3\"/></other>",
        "<calibration><color red=\"256\" green=\"0\" blue=\"0\"/></calibration>",
        "<calibration><color red=\"1024\" green=\"0\" blue=\"0\" bits=\"10\"/></calibration>",
        "<calibration><color red=\"-1\" green=\"0\" blue=\"0\"/></calibration>",
        "<calibration><color red=\"nan\" green=\"0\" blue=\"0\"/></calibration>",
        "<calibration><color red=\"1\" green=\"0\" blue=\"0\" bits=\"17\"/></calibration>",
        "<calibration><color red=\"1\" green=\"0\"/></calibration>",
        "<calibration><geometry x=\"0\" y=\"0\" cx=\"1\" cy=\"1\"/></calibration>",
        "<calibration><color red=\"1\" green=\"0\" blue=\"0\"/><geometry x=\"a\" y=\"0\" "
        "cx=\"1\" cy=\"1\"/></calibration>",
        "<calibration><shapes></shapes></calibration>",
    };
    for (const char* xml : refused) {
        const ResolveParse r = parseResolveMessage(QByteArray(xml));
        EXPECT_FALSE(r.request) << xml;
        EXPECT_FALSE(r.error.isEmpty()) << xml;
    }
}

TEST(ResolveMessage, GeometryIsFractionsOrPixelsAndMustLieOnTheDisplay) {
    const QSize hd(1920, 1080);
    EXPECT_EQ(resolveGeometry({0.25, 0.5, 0.5, 0.5}, hd), QRectF(0.25, 0.5, 0.5, 0.5));
    EXPECT_EQ(resolveGeometry({192, 108, 960, 540}, hd), QRectF(0.1, 0.1, 0.5, 0.5));
    EXPECT_EQ(resolveGeometry({0.4500, 0.4500, 0.5501, 0.1}, hd), QRectF(0.45, 0.45, 0.55, 0.1));
    EXPECT_FALSE(resolveGeometry({0.5, 0.5, 0.6, 0.1}, hd));
    EXPECT_FALSE(resolveGeometry({0, 0, 0, 1}, hd));
    EXPECT_FALSE(resolveGeometry({-0.1, 0, 0.5, 0.5}, hd));
    EXPECT_FALSE(resolveGeometry({0, 0, 1921, 1080}, hd));
}

TEST(WebDisplayMessage, ReadsColoursAndRefusesAnythingElse) {
    EXPECT_EQ(parseWebDisplayColour("#8040FF"), (DeviceRgb{128, 64, 255}));
    EXPECT_EQ(parseWebDisplayColour("\r\n#00ff0a"), (DeviceRgb{0, 255, 10}));
    for (const char* bad : {"", "#8040F", "#8040FG", "8040FF0", "#8040FF00", "rgb(1,2,3)"}) {
        EXPECT_FALSE(parseWebDisplayColour(bad)) << bad;
    }
}

// The window, background and grey themselves are the command's tests, on the head; here, when
// the grey comes.
TEST(PatchSource, InsertsGreyOnSchedule) {
    const Patch asked{{10, 20, 30}, {1, 1, 1}, QRectF(0, 0, 1, 1)};
    PatchOptions options;
    options.insertEvery = 10.0;
    options.insertFor = 2.0;
    PatchSource source(options);
    EXPECT_FALSE(source.plan(asked, 100.0).insert);
    EXPECT_FALSE(source.plan(asked, 109.9).insert);
    const PatchSource::Plan due = source.plan(asked, 110.0);
    ASSERT_TRUE(due.insert);
    EXPECT_EQ(due.insertSeconds, 2.0);
    // The next insertion counts from the end of this one.
    EXPECT_FALSE(source.plan(asked, 121.9).insert);
    EXPECT_TRUE(source.plan(asked, 122.0).insert);
}

}  // namespace
}  // namespace lumenor
