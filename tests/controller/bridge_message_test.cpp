#include <gtest/gtest.h>

#include <QSet>
#include <QVariantHash>
#include <QVariantList>
#include <QVariantMap>

#include <limits>
#include <vector>

#include "controller/bridge_message.h"
#include "verb_printing.h"

namespace lumenor {
namespace {

using Fields = std::initializer_list<std::pair<const char*, QVariant>>;

QVariantMap body(const QString& verb, Fields fields = {}) {
    QVariantMap map{{QStringLiteral("verb"), verb}};
    for (const auto& [key, value] : fields) {
        map.insert(QString::fromLatin1(key), value);
    }
    return map;
}

std::optional<Verb> parseBody(const QVariant& b) {
    return parseBridgeMessage(QStringLiteral("bridge"), b);
}

std::optional<Verb> parse(const QString& verb, Fields fields = {}) {
    return parseBody(body(verb, fields));
}

QVariant ll(qlonglong v) {
    return QVariant::fromValue(v);
}

QVariant strings(std::initializer_list<QVariant> items) {
    return QVariantList(items);
}

// A body that gives every verb all the arguments it could require.
QVariantMap completeBody(const QString& verb) {
    return body(verb, {{"id", ll(1)},
                       {"name", "Studio"},
                       {"seconds", 1.0},
                       {"ratios", strings({"4:3"})},
                       {"url", "https://example.org/"},
                       {"fps", ll(25)},
                       {"ms", ll(0)}});
}

// Every verb with its arguments present, then absent, then of the wrong type.
struct VerbCase {
    QString verb;
    QVariantMap present;
    Verb fromPresent;
    std::optional<Verb> fromAbsent;  // none: the verb needs the argument
    QVariantMap wrongType;
};

std::vector<VerbCase> verbCases() {
    return {
        {"selectDisplay", body("selectDisplay", {{"id", ll(7)}}), verbs::SelectDisplay{7},
         std::nullopt, body("selectDisplay", {{"id", "7"}})},
        {"selectOutputDisplay", body("selectOutputDisplay", {{"id", ll(9)}}),
         verbs::SelectOutputDisplay{9}, std::nullopt, body("selectOutputDisplay", {{"id", true}})},
        {"showPattern", body("showPattern", {{"name", "smpte"}}), verbs::ShowPattern{"smpte"},
         std::nullopt, body("showPattern", {{"name", ll(3)}})},
        {"cyclePattern", body("cyclePattern", {{"delta", ll(-1)}}), verbs::CyclePattern{-1},
         verbs::CyclePattern{1}, body("cyclePattern", {{"delta", "-1"}})},
        {"applyMode", body("applyMode", {{"id", ll(-5)}}), verbs::ApplyMode{-5}, std::nullopt,
         body("applyMode", {{"id", QVariant::fromValue(nullptr)}})},
        {"showOutput", body("showOutput", {{"on", true}}), verbs::ShowOutput{true},
         verbs::ShowOutput{false}, body("showOutput", {{"on", "yes"}})},
        {"showInfo", body("showInfo", {{"on", true}}), verbs::ShowInfo{true},
         verbs::ShowInfo{false}, body("showInfo", {{"on", "true"}})},
        {"setBounceRate", body("setBounceRate", {{"seconds", 0.75}}), verbs::SetBounceRate{0.75},
         std::nullopt, body("setBounceRate", {{"seconds", "0.75"}})},
        {"setAspectRatios", body("setAspectRatios", {{"ratios", strings({"4:3", "16:9"})}}),
         verbs::SetAspectRatios{{"4:3", "16:9"}}, std::nullopt,
         body("setAspectRatios", {{"ratios", "4:3"}})},
        {"autoCycle", body("autoCycle", {{"on", true}, {"seconds", ll(5)}}),
         verbs::AutoCycle{true, 5.0}, verbs::AutoCycle{false, 2.0},
         body("autoCycle", {{"on", "on"}, {"seconds", "5"}})},
        {"openURL", body("openURL", {{"url", "https://example.org/help"}}),
         verbs::OpenURL{"https://example.org/help"}, std::nullopt,
         body("openURL", {{"url", strings({"https://example.org/"})}})},
        {"setAudio", body("setAudio", {{"signal", "tone"}, {"channels", "left"}, {"invert", true}}),
         verbs::SetAudio{"tone", "left", true}, verbs::SetAudio{"off", "both", false},
         body("setAudio", {{"signal", ll(1)}, {"channels", QVariantList{}}, {"invert", "x"}})},
        {"setSyncOffset", body("setSyncOffset", {{"ms", -40.5}}), verbs::SetSyncOffset{-40.5},
         std::nullopt, body("setSyncOffset", {{"ms", true}})},
        {"setTimecodeFps", body("setTimecodeFps", {{"fps", ll(25)}}), verbs::SetTimecodeFps{25},
         std::nullopt, body("setTimecodeFps", {{"fps", "25"}})},
        {"setSlateText", body("setSlateText", {{"text", "Take 2"}}), verbs::SetSlateText{"Take 2"},
         verbs::SetSlateText{""}, body("setSlateText", {{"text", ll(5)}})},
        {"setEditing", body("setEditing", {{"on", true}}), verbs::SetEditing{true},
         verbs::SetEditing{false}, body("setEditing", {{"on", QVariantMap{}}})},
        {"setMirror", body("setMirror", {{"on", true}}), verbs::SetMirror{true},
         verbs::SetMirror{false}, body("setMirror", {{"on", ll(2)}})},
        {"setRemote", body("setRemote", {{"on", true}}), verbs::SetRemote{true},
         verbs::SetRemote{false}, body("setRemote", {{"on", 0.5}})},
        {"saveProfile", body("saveProfile", {{"name", "Studio"}}), verbs::SaveProfile{"Studio"},
         std::nullopt, body("saveProfile", {{"name", true}})},
        {"loadProfile", body("loadProfile", {{"name", "Studio"}}), verbs::LoadProfile{"Studio"},
         std::nullopt, body("loadProfile", {{"name", 1.0}})},
        {"deleteProfile", body("deleteProfile", {{"name", "Studio"}}),
         verbs::DeleteProfile{"Studio"}, std::nullopt,
         body("deleteProfile", {{"name", QVariant::fromValue(nullptr)}})},
        {"tourEvent", body("tourEvent", {{"skipped", true}}), verbs::TourEvent{true},
         verbs::TourEvent{false}, body("tourEvent", {{"skipped", "true"}})},
        {"startCalibration",
         body("startCalibration", {{"program", "resolve"},
                                   {"address", "127.0.0.1:20002"},
                                   {"display", ll(2)},
                                   {"window", 10.0},
                                   {"background", ll(16)},
                                   {"insertEvery", 30.0},
                                   {"insertFor", 2.5},
                                   {"insertGrey", ll(128)}}),
         verbs::StartCalibration{"resolve", "127.0.0.1:20002", 2U, 10.0, 16.0, 30.0, 2.5, 128.0},
         verbs::StartCalibration{},
         body("startCalibration", {{"program", ll(1)},
                                   {"address", true},
                                   {"display", "2"},
                                   {"window", "10"},
                                   {"background", "16"},
                                   {"insertEvery", QVariantList{}},
                                   {"insertFor", "x"},
                                   {"insertGrey", QVariantMap{}}})},
    };
}

TEST(BridgeVerbArguments, PresentAbsentAndOfTheWrongType) {
    for (const VerbCase& c : verbCases()) {
        SCOPED_TRACE(c.verb.toStdString());
        EXPECT_EQ(parseBody(c.present), std::optional<Verb>(c.fromPresent));
        EXPECT_EQ(parse(c.verb), c.fromAbsent);
        EXPECT_EQ(parseBody(c.wrongType), c.fromAbsent);
    }
}

TEST(BridgeVerbArguments, VerbsWithoutValuesIgnoreEveryOtherKey) {
    const std::vector<std::pair<QString, Verb>> cases = {
        {"ready", verbs::Ready{}},
        {"confirmMode", verbs::ConfirmMode{}},
        {"revertMode", verbs::RevertMode{}},
        {"blank", verbs::Blank{}},
        {"identifyDisplays", verbs::IdentifyDisplays{}},
        {"pickSlateLogo", verbs::PickSlateLogo{}},
        {"clearSlateLogo", verbs::ClearSlateLogo{}},
        {"copyReport", verbs::CopyReport{}},
        {"stopCalibration", verbs::StopCalibration{}},
    };
    for (const auto& [name, verb] : cases) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(parse(name), std::optional<Verb>(verb));
        EXPECT_EQ(parseBody(completeBody(name)), std::optional<Verb>(verb));
        EXPECT_EQ(parse(name, {{"id", "x"}, {"extra", QVariantList{ll(1)}}}),
                  std::optional<Verb>(verb));
    }
}

TEST(BridgeVerbArguments, UnusedAndUnknownKeysAreIgnored) {
    EXPECT_EQ(parse("showPattern", {{"name", "grid"}, {"id", "junk"}, {"on", true}, {"x", ll(1)}}),
              std::optional<Verb>(verbs::ShowPattern{"grid"}));
    EXPECT_EQ(parse("setSlateText", {{"text", "a"}, {"name", ll(1)}}),
              std::optional<Verb>(verbs::SetSlateText{"a"}));
}

TEST(BridgeVerbArguments, ValuesPassOnUnvalidated) {
    EXPECT_EQ(parse("showPattern", {{"name", "noSuchPattern"}}),
              std::optional<Verb>(verbs::ShowPattern{"noSuchPattern"}));
    EXPECT_EQ(parse("setAudio", {{"signal", "square"}, {"channels", "centre"}}),
              std::optional<Verb>(verbs::SetAudio{"square", "centre", false}));
    EXPECT_EQ(parse("setBounceRate", {{"seconds", -3.0}}),
              std::optional<Verb>(verbs::SetBounceRate{-3.0}));
    EXPECT_EQ(parse("setTimecodeFps", {{"fps", ll(-24)}}),
              std::optional<Verb>(verbs::SetTimecodeFps{-24}));
    EXPECT_EQ(parse("setAudio", {{"signal", "pink"}, {"channels", ll(3)}}),
              std::optional<Verb>(verbs::SetAudio{"pink", "both", false}));
}

TEST(BridgeVerbArguments, StringsAreKeptExactly) {
    EXPECT_EQ(parse("saveProfile", {{"name", "  Studio B "}}),
              std::optional<Verb>(verbs::SaveProfile{"  Studio B "}));
    EXPECT_EQ(parse("setSlateText", {{"text", QString::fromUtf8("Bühne\n2")}}),
              std::optional<Verb>(verbs::SetSlateText{QString::fromUtf8("Bühne\n2")}));
    EXPECT_EQ(parse("showPattern", {{"name", "SMPTE"}}),
              std::optional<Verb>(verbs::ShowPattern{"SMPTE"}));
}

TEST(BridgeVerbArguments, OnlySavingRefusesAnEmptyName) {
    EXPECT_EQ(parse("saveProfile", {{"name", ""}}), std::nullopt);
    EXPECT_EQ(parse("loadProfile", {{"name", ""}}), std::optional<Verb>(verbs::LoadProfile{""}));
    EXPECT_EQ(parse("deleteProfile", {{"name", ""}}),
              std::optional<Verb>(verbs::DeleteProfile{""}));
    EXPECT_EQ(parse("saveProfile", {{"name", " "}}), std::optional<Verb>(verbs::SaveProfile{" "}));
}

TEST(BridgeConversions, FractionalNumbersAreNoIntegers) {
    EXPECT_EQ(parse("selectDisplay", {{"id", 2.5}}), std::nullopt);
    EXPECT_EQ(parse("selectDisplay", {{"id", 2.0}}), std::optional<Verb>(verbs::SelectDisplay{2}));
    EXPECT_EQ(parse("selectOutputDisplay", {{"id", 0.1}}), std::nullopt);
    EXPECT_EQ(parse("applyMode", {{"id", 3.5}}), std::nullopt);
    EXPECT_EQ(parse("applyMode", {{"id", -3.0}}), std::optional<Verb>(verbs::ApplyMode{-3}));
    EXPECT_EQ(parse("cyclePattern", {{"delta", 1.5}}), std::optional<Verb>(verbs::CyclePattern{1}));
    EXPECT_EQ(parse("cyclePattern", {{"delta", -2.0}}),
              std::optional<Verb>(verbs::CyclePattern{-2}));
}

TEST(BridgeConversions, FrameRateTruncatesTowardZero) {
    EXPECT_EQ(parse("setTimecodeFps", {{"fps", 29.97}}),
              std::optional<Verb>(verbs::SetTimecodeFps{29}));
    EXPECT_EQ(parse("setTimecodeFps", {{"fps", 59.999}}),
              std::optional<Verb>(verbs::SetTimecodeFps{59}));
    EXPECT_EQ(parse("setTimecodeFps", {{"fps", -23.976}}),
              std::optional<Verb>(verbs::SetTimecodeFps{-23}));
    EXPECT_EQ(parse(QStringLiteral("setTimecodeFps")), std::nullopt);
    // A number that no 64-bit integer can hold drops the message rather than wrapping.
    EXPECT_EQ(parse("setTimecodeFps", {{"fps", 1e300}}), std::nullopt);
    EXPECT_EQ(parse("setTimecodeFps", {{"fps", std::numeric_limits<double>::infinity()}}),
              std::nullopt);
    EXPECT_EQ(parse("setTimecodeFps", {{"fps", std::numeric_limits<double>::quiet_NaN()}}),
              std::nullopt);
    // The sync offset takes any finite number, held to its range later, and nothing else.
    EXPECT_EQ(parse("setSyncOffset", {{"ms", ll(5000)}}),
              std::optional<Verb>(verbs::SetSyncOffset{5000.0}));
    for (const QVariant& other :
         {QVariant(std::numeric_limits<double>::infinity()),
          QVariant(std::numeric_limits<double>::quiet_NaN()), QVariant(false), QVariant("12")}) {
        EXPECT_EQ(parse("setSyncOffset", {{"ms", other}}), std::nullopt);
    }
}

TEST(BridgeConversions, BooleansAsNumbers) {
    EXPECT_EQ(parse("setBounceRate", {{"seconds", true}}),
              std::optional<Verb>(verbs::SetBounceRate{1.0}));
    EXPECT_EQ(parse("setBounceRate", {{"seconds", false}}),
              std::optional<Verb>(verbs::SetBounceRate{0.0}));
    EXPECT_EQ(parse("autoCycle", {{"on", true}, {"seconds", false}}),
              std::optional<Verb>(verbs::AutoCycle{true, 0.0}));
    EXPECT_EQ(parse("setTimecodeFps", {{"fps", true}}),
              std::optional<Verb>(verbs::SetTimecodeFps{1}));
    EXPECT_EQ(parse("setTimecodeFps", {{"fps", false}}),
              std::optional<Verb>(verbs::SetTimecodeFps{0}));
    // Integers proper take no booleans: false for a delta is absent, so the default 1.
    EXPECT_EQ(parse("cyclePattern", {{"delta", false}}),
              std::optional<Verb>(verbs::CyclePattern{1}));
    EXPECT_EQ(parse("selectDisplay", {{"id", true}}), std::nullopt);
    EXPECT_EQ(parse("applyMode", {{"id", false}}), std::nullopt);
}

TEST(BridgeConversions, NumbersAsBooleans) {
    EXPECT_EQ(parse("showOutput", {{"on", ll(1)}}), std::optional<Verb>(verbs::ShowOutput{true}));
    EXPECT_EQ(parse("showOutput", {{"on", 1.0}}), std::optional<Verb>(verbs::ShowOutput{true}));
    EXPECT_EQ(parse("showInfo", {{"on", ll(0)}}), std::optional<Verb>(verbs::ShowInfo{false}));
    EXPECT_EQ(parse("tourEvent", {{"skipped", ll(1)}}),
              std::optional<Verb>(verbs::TourEvent{true}));
    EXPECT_EQ(parse("setAudio", {{"invert", 1.0}}),
              std::optional<Verb>(verbs::SetAudio{"off", "both", true}));
    EXPECT_EQ(parse("autoCycle", {{"on", ll(1)}}),
              std::optional<Verb>(verbs::AutoCycle{true, 2.0}));
    // Any other number is no boolean at all.
    for (const QVariant& other : {ll(2), ll(-1), QVariant(0.5), QVariant(1.0000001)}) {
        EXPECT_EQ(parse("setRemote", {{"on", other}}), std::optional<Verb>(verbs::SetRemote{false}))
            << other.toString().toStdString();
        EXPECT_EQ(parse("setAudio", {{"invert", other}}),
                  std::optional<Verb>(verbs::SetAudio{"off", "both", false}));
    }
    EXPECT_EQ(parse("setMirror", {{"on", "1"}}), std::optional<Verb>(verbs::SetMirror{false}));
}

TEST(BridgeConversions, ArraysWithOneWrongElementAreAbsent) {
    EXPECT_EQ(parse("setAspectRatios", {{"ratios", strings({"4:3", ll(16)})}}), std::nullopt);
    EXPECT_EQ(parse("setAspectRatios", {{"ratios", strings({QVariant::fromValue(nullptr)})}}),
              std::nullopt);
    EXPECT_EQ(parse("setAspectRatios", {{"ratios", strings({"4:3", strings({"16:9"})})}}),
              std::nullopt);
    EXPECT_EQ(parse("setAspectRatios", {{"ratios", strings({"4:3", "16:9", true})}}), std::nullopt);
    EXPECT_EQ(parse("setAspectRatios", {{"ratios", QVariantList{}}}),
              std::optional<Verb>(verbs::SetAspectRatios{}));
    EXPECT_EQ(parse("setAspectRatios", {{"ratios", QStringList{"2.39:1"}}}),
              std::optional<Verb>(verbs::SetAspectRatios{{"2.39:1"}}));
    EXPECT_EQ(parse("setAspectRatios", {{"ratios", QVariantMap{{"0", "4:3"}}}}), std::nullopt);
}

TEST(BridgeConversions, DisplayIdsAtTheEdgesOfTheUnsigned32BitRange) {
    constexpr qlonglong kMax = 4294967295LL;
    EXPECT_EQ(parse("selectDisplay", {{"id", ll(0)}}),
              std::optional<Verb>(verbs::SelectDisplay{0}));
    EXPECT_EQ(parse("selectDisplay", {{"id", ll(kMax)}}),
              std::optional<Verb>(verbs::SelectDisplay{4294967295U}));
    EXPECT_EQ(parse("selectDisplay", {{"id", 4294967295.0}}),
              std::optional<Verb>(verbs::SelectDisplay{4294967295U}));
    EXPECT_EQ(parse("selectOutputDisplay", {{"id", QVariant::fromValue(qulonglong(kMax))}}),
              std::optional<Verb>(verbs::SelectOutputDisplay{4294967295U}));
    for (const QVariant& outside :
         {ll(kMax + 1), ll(-1), QVariant(4294967296.0), QVariant(-1.0),
          QVariant::fromValue(std::numeric_limits<qlonglong>::max()),
          QVariant::fromValue(std::numeric_limits<qulonglong>::max()), QVariant(1e300)}) {
        EXPECT_EQ(parse("selectDisplay", {{"id", outside}}), std::nullopt)
            << outside.toString().toStdString();
        EXPECT_EQ(parse("selectOutputDisplay", {{"id", outside}}), std::nullopt);
    }
}

TEST(BridgeConversions, ModeIdsAtTheEdgesOfTheSigned32BitRange) {
    EXPECT_EQ(parse("applyMode", {{"id", ll(2147483647)}}),
              std::optional<Verb>(verbs::ApplyMode{2147483647}));
    EXPECT_EQ(parse("applyMode", {{"id", ll(-2147483648LL)}}),
              std::optional<Verb>(verbs::ApplyMode{std::numeric_limits<std::int32_t>::min()}));
    EXPECT_EQ(parse("applyMode", {{"id", -2147483648.0}}),
              std::optional<Verb>(verbs::ApplyMode{std::numeric_limits<std::int32_t>::min()}));
    for (const QVariant& outside : {ll(2147483648LL), ll(-2147483649LL), QVariant(2147483648.0),
                                    QVariant(-2147483649.0), ll(4294967295LL)}) {
        EXPECT_EQ(parse("applyMode", {{"id", outside}}), std::nullopt)
            << outside.toString().toStdString();
    }
}

TEST(BridgeConversions, DeltaAtTheEdgesOfTheSigned64BitRange) {
    constexpr auto kMin = std::numeric_limits<qlonglong>::min();
    constexpr auto kMax = std::numeric_limits<qlonglong>::max();
    EXPECT_EQ(parse("cyclePattern", {{"delta", ll(kMax)}}),
              std::optional<Verb>(verbs::CyclePattern{kMax}));
    EXPECT_EQ(parse("cyclePattern", {{"delta", ll(kMin)}}),
              std::optional<Verb>(verbs::CyclePattern{kMin}));
    EXPECT_EQ(parse("cyclePattern", {{"delta", -9223372036854775808.0}}),
              std::optional<Verb>(verbs::CyclePattern{kMin}));
    // 2^63 does not fit: absent, so the default.
    EXPECT_EQ(parse("cyclePattern", {{"delta", 9223372036854775808.0}}),
              std::optional<Verb>(verbs::CyclePattern{1}));
    EXPECT_EQ(parse("cyclePattern", {{"delta", QVariant::fromValue(qulonglong(kMax) + 1)}}),
              std::optional<Verb>(verbs::CyclePattern{1}));
}

TEST(BridgeMessages, OtherHandlersAreIgnored) {
    for (const char* handler : {"Bridge", "bridge ", " bridge", "", "qvEula", "qvPrefs"}) {
        EXPECT_EQ(parseBridgeMessage(QString::fromLatin1(handler), completeBody("ready")),
                  std::nullopt)
            << handler;
    }
    EXPECT_EQ(parseBridgeMessage("bridge", completeBody("ready")),
              std::optional<Verb>(verbs::Ready{}));
}

TEST(BridgeMessages, BodiesThatAreNoDictionaryAreIgnored) {
    for (const QVariant& b :
         {QVariant(), QVariant::fromValue(nullptr), QVariant("ready"),
          QVariant(QVariantList{"ready"}), QVariant(QVariantList{completeBody("ready")}), ll(1),
          QVariant(true), QVariant(2.5)}) {
        EXPECT_EQ(parseBody(b), std::nullopt) << b.typeName();
    }
}

TEST(BridgeMessages, AHashBodyIsADictionaryToo) {
    const QVariantHash hash{{"verb", "showPattern"}, {"name", "grid"}};
    EXPECT_EQ(parseBody(hash), std::optional<Verb>(verbs::ShowPattern{"grid"}));
}

TEST(BridgeMessages, TheVerbMustBeAString) {
    EXPECT_EQ(parseBody(QVariantMap{{"name", "smpte"}}), std::nullopt);
    for (const QVariant& v :
         {ll(22), QVariant(true), QVariant::fromValue(nullptr), QVariant(QVariantList{"ready"}),
          QVariant(QVariantMap{{"verb", "ready"}}), QVariant(0.0)}) {
        EXPECT_EQ(parseBody(QVariantMap{{"verb", v}}), std::nullopt) << v.typeName();
    }
    EXPECT_EQ(parseBody(QVariantMap{{"Verb", "ready"}}), std::nullopt);
    EXPECT_EQ(parse(QStringLiteral("frobnicate")), std::nullopt);
    EXPECT_EQ(parse(QString()), std::nullopt);
}

TEST(BridgeVerbNames, EveryNameBuildsItsOwnCase) {
    const QStringList& names = verbNames();
    ASSERT_EQ(names.size(), 32);
    for (qsizetype i = 0; i < names.size(); ++i) {
        const std::optional<Verb> verb = parseBody(completeBody(names[i]));
        ASSERT_TRUE(verb.has_value()) << names[i].toStdString();
        EXPECT_EQ(verb->index(), static_cast<std::size_t>(i)) << names[i].toStdString();
        EXPECT_EQ(verbName(*verb), names[i]);
    }
    EXPECT_EQ(names.count("selectDisplay"), 1);
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), names.size());
}

TEST(BridgeVerbNames, CaseNamesInDeclarationOrder) {
    EXPECT_EQ(verbName(verbs::SelectDisplay{}), "selectDisplay");
    EXPECT_EQ(verbName(verbs::SelectOutputDisplay{}), "selectOutputDisplay");
    EXPECT_EQ(verbName(verbs::SetAspectRatios{}), "setAspectRatios");
    EXPECT_EQ(verbName(verbs::OpenURL{}), "openURL");
    EXPECT_EQ(verbName(verbs::SetTimecodeFps{}), "setTimecodeFps");
    EXPECT_EQ(verbName(verbs::TourEvent{}), "tourEvent");
    EXPECT_EQ(verbName(verbs::Ready{}), "ready");
    EXPECT_EQ(verbName(verbs::CopyReport{}), "copyReport");
    EXPECT_EQ(verbName(verbs::SetSyncOffset{}), "setSyncOffset");
    EXPECT_EQ(verbName(verbs::StartCalibration{}), "startCalibration");
    EXPECT_EQ(verbName(verbs::StopCalibration{}), "stopCalibration");
    EXPECT_EQ(Verb(verbs::TourEvent{}).index(), 21U);
    EXPECT_EQ(Verb(verbs::Ready{}).index(), 23U);
}

TEST(BridgeVerbNames, CaseAndBlanksInNamesAreNotForgiven) {
    for (const QString& name : verbNames()) {
        SCOPED_TRACE(name.toStdString());
        const QString flippedFirst =
            (name[0].isLower() ? name[0].toUpper() : name[0].toLower()) + name.mid(1);
        for (const QString& variant :
             {name.toUpper(), name.toLower() == name ? name.toUpper() : name.toLower(),
              flippedFirst, " " + name, name + " ", name + "\n", "\t" + name,
              name.left(name.size() - 1)}) {
            EXPECT_EQ(parseBody(completeBody(variant)), std::nullopt) << variant.toStdString();
        }
    }
}

TEST(BridgeDelivery, ParsedVerbsReachOnVerbOnceAndDroppedOnesNever) {
    std::vector<Verb> received;
    const std::function<void(const Verb&)> onVerb = [&](const Verb& v) { received.push_back(v); };
    deliverBridgeMessage("bridge", body("showOutput", {{"on", ll(1)}}), onVerb);
    deliverBridgeMessage("bridge", body("saveProfile", {{"name", ""}}), onVerb);
    deliverBridgeMessage("other", body("ready"), onVerb);
    deliverBridgeMessage("bridge", body("cyclePattern", {{"delta", ll(-1)}}), onVerb);
    ASSERT_EQ(received.size(), 2U);
    EXPECT_EQ(received[0], Verb(verbs::ShowOutput{true}));
    EXPECT_EQ(received[1], Verb(verbs::CyclePattern{-1}));
}

TEST(BridgeDelivery, WithoutOnVerbMessagesAreDroppedNotKept) {
    const std::function<void(const Verb&)> unset;
    deliverBridgeMessage("bridge", completeBody("ready"), unset);
    deliverBridgeMessage("bridge", body("blank"), unset);
    std::vector<Verb> received;
    deliverBridgeMessage("bridge", body("copyReport"),
                         [&](const Verb& v) { received.push_back(v); });
    ASSERT_EQ(received.size(), 1U);
    EXPECT_EQ(received[0], Verb(verbs::CopyReport{}));
}

}  // namespace
}  // namespace lumenor
