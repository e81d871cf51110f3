#include <gtest/gtest.h>

#include <QJsonObject>

#include <limits>

#include "controller/page_calls.h"
#include "support/mode_info.h"

namespace lumenor {
namespace {

namespace calls = pagecalls;

DisplayInfo display(DisplayId id, const QString& name) {
    DisplayInfo d;
    d.id = id;
    d.name = name;
    d.currentMode = test::mode(0, 1920, 1080, 59.94);
    return d;
}

TEST(PageCalls, DoublesAreShortestRoundTripWithAFractionalPart) {
    EXPECT_EQ(calls::number(2.0), "2.0");
    EXPECT_EQ(calls::number(59.94), "59.94");
    EXPECT_EQ(calls::number(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(calls::number(1e21), "1e+21");
    EXPECT_EQ(calls::number(5e-7), "5e-07");
    EXPECT_EQ(calls::number(std::numeric_limits<double>::quiet_NaN()), "NaN");
    EXPECT_EQ(calls::number(-std::numeric_limits<double>::infinity()), "-Infinity");
}

TEST(PageCalls, DisplaysAndModesAreCompactJson) {
    EXPECT_EQ(calls::displaysChanged({}), "window.displaysChanged([])");
    EXPECT_EQ(calls::displaysChanged({display(4294967295u, "Studio \"A\"")}),
              "window.displaysChanged([{\"bitsPerChannel\":8,\"currentMode\":{\"pixelHeight\":1080,"
              "\"pixelWidth\":1920,"
              "\"pointHeight\":1080,\"pointWidth\":1920,\"refreshHz\":59.94},\"id\":4294967295,"
              "\"isBuiltin\":false,\"name\":\"Studio \\\"A\\\"\"}])");
    EXPECT_EQ(calls::modesChanged({}, false), "window.modesChanged([], false)");
    ModeInfo scaled = test::mode(71, 2880, 1800, 60.0, 1440, 900);
    scaled.isCurrent = true;
    EXPECT_EQ(calls::modesChanged({scaled}, true),
              "window.modesChanged([{\"id\":71,\"isCurrent\":true,\"isNative\":false,"
              "\"pixelHeight\":1800,\"pixelWidth\":2880,\"pointHeight\":900,\"pointWidth\":1440,"
              "\"refreshHz\":60,\"scaled\":true}], true)");
}

TEST(PageCalls, PatternNameTravelsQuotedInsideAnArray) {
    EXPECT_EQ(calls::patternChanged("calibration"), "window.patternChanged([\"calibration\"][0])");
    EXPECT_EQ(calls::patternChanged("a\"b\\c'</script>"),
              "window.patternChanged([\"a\\\"b\\\\c'</script>\"][0])");
}

// Calls of several arguments or of lists; those of one flag, count or quoted string forward to
// the helpers above in one line each.
TEST(PageCalls, ListsStringsAndSeveralArguments) {
    EXPECT_EQ(calls::profilesChanged({"<img src=x onerror=alert(1)>", "Stage"}),
              "window.profilesChanged([\"<img src=x onerror=alert(1)>\",\"Stage\"])");
    EXPECT_EQ(calls::syncSelections(1, 4294967295u, {"4:3", "2.39:1"}, 2.0),
              "window.syncSelections(1, 4294967295, [\"4:3\",\"2.39:1\"], 2.0)");
    EXPECT_EQ(calls::frameStatus(59.94, 12, false), "window.frameStatus(59.94, 12, false)");
    EXPECT_EQ(calls::frameTimingUnavailable("not \"here\""),
              "window.frameStatus(null, null, null, [\"not \\\"here\\\"\"][0])");
    EXPECT_EQ(calls::modesRefused({}, "Can't."), "window.modesChanged([], false, [\"Can't.\"][0])");
    const QJsonObject status{{"running", true}, {"pin", "0421"}};
    EXPECT_EQ(calls::remoteStatus(status),
              "window.remoteStatus({\"pin\":\"0421\",\"running\":true})");
}

}  // namespace
}  // namespace lumenor
