#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QVariantHash>
#include <QVariantList>
#include <QVariantMap>

#include <limits>
#include <vector>

#include "controller/bridge_message.h"
#include "controller/page_calls.h"
#include "support/mode_info.h"

namespace lumenor {
namespace {

using namespace verbs;
using Fields = std::initializer_list<std::pair<const char*, QVariant>>;
using Parsed = std::optional<Verb>;

QVariantMap body(const QString& verb, Fields fields = {}) {
    QVariantMap map{{QStringLiteral("verb"), verb}};
    for (const auto& [key, value] : fields) {
        map.insert(QString::fromLatin1(key), value);
    }
    return map;
}

Parsed parseBody(const QVariant& b) {
    return parseBridgeMessage(QStringLiteral("bridge"), b);
}

Parsed parse(const QString& verb, Fields fields = {}) {
    return parseBody(body(verb, fields));
}

QVariant ll(qlonglong v) {
    return QVariant::fromValue(v);
}

// A body as the page's JSON reaches the bridge.
QVariantMap json(const char* text) {
    return QJsonDocument::fromJson(text).toVariant().toMap();
}

// A body that gives every verb all the arguments it could require.
QVariantMap completeBody(const QString& verb) {
    QVariantMap map = json(R"({"id": 1, "name": "Studio", "seconds": 1, "ratios": ["4:3"],
        "fps": 25, "url": "https://example.org/", "ms": 0, "range": "limited"})");
    map.insert(QStringLiteral("verb"), verb);
    return map;
}

// Values of one argument, each alone in its verb's body, and what the verb makes of each. An
// invalid value stands for the argument left out.
struct Conversion {
    const char* verb;
    const char* key;
    QVariantList values;
    Parsed expected;
};

TEST(BridgeVerbArguments, EveryArgumentPresentAbsentOfTheWrongTypeAndAtItsEdges) {
    constexpr qlonglong kU32 = 4294967295LL;
    constexpr auto kMin64 = std::numeric_limits<qlonglong>::min();
    constexpr auto kMax64 = std::numeric_limits<qlonglong>::max();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();
    const QVariant absent;
    const Parsed none;
    const QVariant null = QVariant::fromValue(nullptr);
    const QVariant u32 = QVariant::fromValue(qulonglong(kU32));
    const QVariant u63 = QVariant::fromValue(qulonglong(kMax64) + 1);
    const QVariant u64Max = QVariant::fromValue(std::numeric_limits<qulonglong>::max());
    const QString slate = QStringLiteral("Bühne\n2");
    const QStringList two{"4:3", "16:9"};
    const SetAudio audioOff{"off", "both", false};
    const std::vector<Conversion> cases = {
        // Integers take whole numbers of any type in their range, and no booleans.
        {"selectDisplay", "id", {ll(0), 0.0}, SelectDisplay{0}},
        {"selectDisplay", "id", {absent, "7", 2.5, true}, none},
        {"selectOutputDisplay", "id", {ll(kU32), 4294967295.0, u32}, SelectOutputDisplay{kU32}},
        {"selectOutputDisplay", "id", {absent, true, ll(kU32 + 1), ll(-1), 4294967296.0}, none},
        {"selectOutputDisplay", "id", {-1.0, ll(kMax64), u64Max, 1e300}, none},
        {"applyMode", "id", {ll(2147483647)}, ApplyMode{2147483647}},
        {"applyMode", "id", {ll(-2147483648LL), -2147483648.0}, ApplyMode{kMin32}},
        {"applyMode", "id", {absent, null, 3.5, false, ll(kU32), 2147483648.0}, none},
        {"applyMode", "id", {ll(2147483648LL), ll(-2147483649LL), -2147483649.0}, none},
        {"cyclePattern", "delta", {ll(kMax64)}, CyclePattern{kMax64}},
        {"cyclePattern", "delta", {ll(kMin64), -9223372036854775808.0}, CyclePattern{kMin64}},
        // 2^63 does not fit: absent, so the default.
        {"cyclePattern", "delta", {absent, "-1", 1.5, false}, CyclePattern{1}},
        {"cyclePattern", "delta", {9223372036854775808.0, u63, u64Max}, CyclePattern{1}},
        // Numbers take booleans as 1 and 0, and pass on unvalidated.
        {"setBounceRate", "seconds", {-0.75}, SetBounceRate{-0.75}},
        {"setBounceRate", "seconds", {true}, SetBounceRate{1.0}},
        {"setBounceRate", "seconds", {absent, "0.75"}, none},
        {"autoCycle", "seconds", {ll(5), 5.0}, AutoCycle{false, 5.0}},
        {"autoCycle", "seconds", {absent, "5"}, AutoCycle{false, 2.0}},
        {"autoCycle", "on", {true, ll(1)}, AutoCycle{true, 2.0}},
        // The frame rate truncates toward zero; what no 64-bit integer holds drops the message
        // rather than wrapping.
        {"setTimecodeFps", "fps", {29.97, 29.001}, SetTimecodeFps{29}},
        {"setTimecodeFps", "fps", {-23.976, ll(-23)}, SetTimecodeFps{-23}},
        {"setTimecodeFps", "fps", {true}, SetTimecodeFps{1}},
        {"setTimecodeFps", "fps", {false, 0.5, -0.9}, SetTimecodeFps{0}},
        {"setTimecodeFps", "fps", {absent, "25", 1e300, kInf, kNaN}, none},
        // The sync offset takes any finite number, held to its range later, and nothing else.
        {"setSyncOffset", "ms", {ll(-5000), -5000.0}, SetSyncOffset{-5000.0}},
        {"setSyncOffset", "ms", {absent, true, false, "12", kInf, kNaN}, none},
        // Flags take numbers 0 and 1 as well; anything else is false, as is no flag.
        // The five "on" flags are read alike: one of them takes every value that is not true.
        {"showOutput", "on", {true, ll(1), 1.0}, ShowOutput{true}},
        {"showOutput", "on", {absent, "yes", "true", ll(0), QVariantMap{}}, ShowOutput{false}},
        {"showOutput", "on", {ll(2), "1", 0.5, ll(-1), 1.0000001}, ShowOutput{false}},
        {"showInfo", "on", {true}, ShowInfo{true}},
        {"setEditing", "on", {true}, SetEditing{true}},
        {"setMirror", "on", {true}, SetMirror{true}},
        {"setRemote", "on", {true}, SetRemote{true}},
        {"tourEvent", "skipped", {true, ll(1)}, TourEvent{true}},
        {"tourEvent", "skipped", {absent, "true"}, TourEvent{false}},
        {"setAudio", "invert", {true, 1.0}, SetAudio{"off", "both", true}},
        {"setAudio", "invert", {absent, "x", ll(2), 1.0000001}, audioOff},
        {"setAudio", "signal", {"tone"}, SetAudio{"tone", "both", false}},
        {"setAudio", "signal", {absent, ll(1)}, audioOff},
        {"setAudio", "channels", {"centre"}, SetAudio{"off", "centre", false}},
        {"setAudio", "channels", {absent, QVariantList{}, ll(3)}, audioOff},
        // Strings are kept exactly, unvalidated; only saving refuses an empty name.
        {"showPattern", "name", {"SMPTE"}, ShowPattern{"SMPTE"}},
        {"showPattern", "name", {absent, ll(3)}, none},
        {"openURL", "url", {"https://example.org/help"}, OpenURL{"https://example.org/help"}},
        {"openURL", "url", {absent, QVariantList{"https://example.org/"}}, none},
        {"setSlateText", "text", {slate}, SetSlateText{slate}},
        {"setSlateText", "text", {absent, ll(5)}, SetSlateText{""}},
        {"setVideoRange", "range", {"limited"}, SetVideoRange{"limited"}},
        {"setVideoRange", "range", {absent, ll(1)}, none},
        {"saveProfile", "name", {"  Studio B "}, SaveProfile{"  Studio B "}},
        {"saveProfile", "name", {absent, true, ""}, none},
        {"loadProfile", "name", {""}, LoadProfile{""}},
        // One wrong element makes an array absent.
        {"setAspectRatios", "ratios", {QVariantList{"4:3", "16:9"}, two}, SetAspectRatios{two}},
        {"setAspectRatios", "ratios", {QVariantList{}}, SetAspectRatios{}},
        {"setAspectRatios", "ratios", {absent, "4:3", QVariantMap{{"0", "4:3"}}}, none},
        {"setAspectRatios", "ratios", {QVariantList{"4:3", ll(16)}, QVariantList{null}}, none},
    };
    for (const Conversion& c : cases) {
        for (const QVariant& value : c.values) {
            SCOPED_TRACE(std::string(c.verb) + " " + c.key + " " +
                         (value.isValid() ? value.typeName() : "absent") + " " +
                         value.toString().toStdString());
            EXPECT_EQ(value.isValid() ? parse(c.verb, {{c.key, value}}) : parse(c.verb),
                      c.expected);
        }
    }
}

TEST(BridgeVerbArguments, CalibrationTakesWhatIsGivenAndLeavesTheRestUnset) {
    EXPECT_EQ(
        parseBody(json(R"({"verb": "startCalibration", "program": "resolve",
        "address": "127.0.0.1:20002", "display": 2, "window": 10, "background": 16,
        "insertEvery": 30, "insertFor": 2.5, "insertGrey": 128})")),
        Parsed(StartCalibration{"resolve", "127.0.0.1:20002", 2U, 10.0, 16.0, 30.0, 2.5, 128.0}));
    EXPECT_EQ(parseBody(json(R"({"verb": "startCalibration", "program": 1, "address": true,
        "display": "2", "window": "10", "background": "16", "insertEvery": [], "insertFor": "x",
        "insertGrey": {}})")),
              Parsed(StartCalibration{}));
}

TEST(BridgeMessages, OnlyAKnownStringVerbWrittenExactlyInADictionaryToTheBridgeIsDelivered) {
    for (const char* handler : {"Bridge", "bridge ", " bridge", "", "qvEula"}) {
        EXPECT_EQ(parseBridgeMessage(QString::fromLatin1(handler), completeBody("ready")),
                  std::nullopt)
            << handler;
    }
    // Not a dictionary, no verb, a verb that is no string, or one that is not known.
    for (const QVariant& b :
         {QVariant(), QVariant("ready"), QVariant(QVariantList{completeBody("ready")}),
          QVariant(QVariantMap{{"Verb", "ready"}}), QVariant(QVariantMap{{"verb", ll(22)}}),
          QVariant(QVariantMap{{"verb", QVariantList{"ready"}}}), QVariant(body("frobnicate")),
          QVariant(body(QString()))}) {
        EXPECT_EQ(parseBody(b), std::nullopt) << b.typeName() << " " << b.toString().toStdString();
    }
    EXPECT_EQ(parseBody(QVariantHash{{"verb", "showPattern"}, {"name", "grid"}}),
              Parsed(ShowPattern{"grid"}));
    // Every name builds its own case, and only as written.
    const QStringList& names = verbNames();
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString& name = names[i];
        SCOPED_TRACE(name.toStdString());
        const Parsed verb = parseBody(completeBody(name));
        ASSERT_TRUE(verb.has_value());
        EXPECT_EQ(verb->index(), static_cast<std::size_t>(i));
        EXPECT_EQ(verbName(*verb), name);
        for (const QString& variant :
             {name.toUpper(), " " + name, name + "\n", name.left(name.size() - 1)}) {
            EXPECT_EQ(parseBody(completeBody(variant)), std::nullopt) << variant.toStdString();
        }
    }
    // Delivered, a parsed verb reaches onVerb once and a dropped one never.
    std::vector<Verb> received;
    const std::function<void(const Verb&)> onVerb = [&](const Verb& v) { received.push_back(v); };
    deliverBridgeMessage("bridge", body("showOutput", {{"on", ll(1)}}), onVerb);
    deliverBridgeMessage("bridge", body("saveProfile", {{"name", ""}}), onVerb);
    deliverBridgeMessage("other", body("ready"), onVerb);
    deliverBridgeMessage("bridge", body("blank"), {});
    deliverBridgeMessage("bridge", body("cyclePattern", {{"delta", ll(-1)}}), onVerb);
    EXPECT_EQ(received, (std::vector<Verb>{ShowOutput{true}, CyclePattern{-1}}));
}

// The other way: the script texts native code runs in the page.

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
    EXPECT_EQ(calls::number(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(calls::number(1e21), "1e+21");
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
