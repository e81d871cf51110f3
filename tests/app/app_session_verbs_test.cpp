#include <QKeyEvent>

#include "app/app_fixture.h"
#include "app/keyboard_monitor.h"
#include "app/remote_commands.h"
#include "onboarding/gates.h"
#include "onboarding/onboarding_store.h"

namespace lumenor::test {
namespace {

using SessionVerbs = AppFixture;

TEST_F(SessionVerbs, ReadyStartsTheTourOnceShortcutsSkipTypingAndOnlyHttpsAddressesOpen) {
    AppCore& app = launch();
    const QStringList state = {pagecalls::displaysChanged(app.state.displays),
                               pagecalls::displaySelections(kPanel, kProjector),
                               pagecalls::modesChanged({}, false),
                               pattern("calibration"),
                               shown(false),
                               info(false),
                               pagecalls::profilesChanged({}),
                               pagecalls::syncOffsetChanged(0.0)};
    EXPECT_EQ(run(verbs::Ready{}), state + QStringList{QLatin1String(pagecalls::kStartTour)});

    EXPECT_TRUE(run(verbs::TourEvent{true}).isEmpty());
    FileOnboardingStore stored(dir_.filePath(QStringLiteral("support")));
    EXPECT_EQ(stored.load(), TourGate::recordForTourEnd(true));
    EXPECT_EQ(run(verbs::Ready{}), state);

    // The tutorial from the menu starts whatever the record says.
    page_.clear();
    app_->showTutorial();
    EXPECT_EQ(page_, QStringList{QLatin1String(pagecalls::kStartTour)});

    // Through the application's own keyboard monitor, b blanks unless the page says one of its
    // fields is being typed in.
    QObject window;
    QKeyEvent b(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, QStringLiteral("b"));
    run(verbs::SetEditing{true});
    QCoreApplication::sendEvent(&window, &b);
    EXPECT_NE(app.state.activePattern, Pattern::black);
    run(verbs::SetEditing{false});
    QCoreApplication::sendEvent(&window, &b);
    EXPECT_EQ(app.state.activePattern, Pattern::black);

    const ShortcutContext idle{false, false};
    EXPECT_EQ(shortcutVerb("B", Qt::ShiftModifier, idle), Verb(verbs::Blank{}));
    for (const auto held : {Qt::ControlModifier, Qt::AltModifier, Qt::MetaModifier}) {
        EXPECT_EQ(shortcutVerb("b", held, idle), std::nullopt);
    }
    EXPECT_EQ(shortcutVerb("s", Qt::NoModifier, idle), Verb(verbs::ShowPattern{"smpte"}));
    EXPECT_EQ(shortcutVerb("o", Qt::NoModifier, {false, true}), Verb(verbs::ShowOutput{false}));
    EXPECT_EQ(shortcutVerb("x", Qt::NoModifier, idle), std::nullopt);
    EXPECT_EQ(shortcutVerb("", Qt::NoModifier, idle), std::nullopt);

    // Only https addresses are opened.
    for (const char* text : {"http://example.org/", "HTTPS://example.org/", "https://exa mple",
                             "javascript:alert(1)", "https://lumenor.example/help"}) {
        EXPECT_TRUE(run(verbs::OpenURL{QLatin1String(text)}).isEmpty());
    }
    EXPECT_EQ(opened_, QStringList{QStringLiteral("https://lumenor.example/help")});

    // The remote's status follows its start and stop.
    EXPECT_TRUE(run(verbs::SetRemote{true}).isEmpty());
    ASSERT_TRUE(spinUntil([&] { return !page_.isEmpty(); }));
    const QJsonObject on = argumentOf(page_.front(), QLatin1String("remoteStatus"));
    EXPECT_EQ(on.value("on"), true);
    EXPECT_EQ(on.value("requested"), true);
    EXPECT_TRUE(on.value("url").toString().startsWith(QStringLiteral("http://10.0.0.7:")));
    EXPECT_EQ(on.value("pin").toString().size(), 6);
    EXPECT_FALSE(on.value("qr").toString().isEmpty());

    const QStringList off = run(verbs::SetRemote{false});
    ASSERT_EQ(off.size(), 1);
    EXPECT_EQ(
        argumentOf(off.front(), QLatin1String("remoteStatus")),
        QJsonObject({{"on", false}, {"requested", false}, {"url", ""}, {"pin", ""}, {"qr", ""}}));
}

// The phone's commands carried out are shown end to end; here, what else its form may hold,
// and the trial's answers, of which the end-to-end test sends one.
TEST(RemoteCommands, OddParametersMapToNoneOrAStepOrOff) {
    using P = RemoteParams;
    const auto verb = [](const char* command, const P& params) {
        return verbForRemoteCommand(QLatin1String(command), params);
    };
    EXPECT_EQ(verb("pattern", P{}), std::nullopt);
    EXPECT_EQ(verb("cycle", P{{"delta", "-2"}}), Verb(verbs::CyclePattern{1}));
    EXPECT_EQ(verb("cycle", P{}), Verb(verbs::CyclePattern{1}));
    EXPECT_EQ(verb("output", P{{"on", "true"}}), Verb(verbs::ShowOutput{false}));
    EXPECT_EQ(verb("Blank", P{}), std::nullopt);
    EXPECT_EQ(verb("keep", P{}), Verb(verbs::ConfirmMode{}));
    EXPECT_EQ(verb("revert", P{}), Verb(verbs::RevertMode{}));
}

}  // namespace
}  // namespace lumenor::test
