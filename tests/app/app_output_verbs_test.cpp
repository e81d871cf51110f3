#include <climits>
#include <cmath>

#include "app/app_fixture.h"

namespace lumenor::test {
namespace {

using OutputVerbs = AppFixture;

TEST_F(OutputVerbs, AutoCycleRunsThroughTheSolidFieldsAndExactPatternNamesStopIt) {
    AppCore& app = launch();
    // Asked for a strobe, it steps no faster than twice a second.
    EXPECT_EQ(run(verbs::AutoCycle{true, 0.001}),
              QStringList({shown(true), cycling(true), pattern("white")}));
    EXPECT_EQ(app.output.patternView().pattern(), Pattern::white);
    page_.clear();
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(spinUntil([&] { return page_.size() >= 6; }, 10000));
    EXPECT_GE(clock.elapsed(), 2900);
    EXPECT_EQ(page_, QStringList({pattern("black"), pattern("grey50"), pattern("red"),
                                  pattern("green"), pattern("blue"), pattern("white")}));
    // Restarting begins at white again; stopping twice reports once.
    EXPECT_EQ(run(verbs::AutoCycle{true, 60.0}), QStringList({cycling(true), pattern("white")}));
    EXPECT_EQ(run(verbs::AutoCycle{false, 7.0}), QStringList{cycling(false)});
    EXPECT_TRUE(run(verbs::AutoCycle{false, 7.0}).isEmpty());
    EXPECT_EQ(app.state.autoCycleInterval, 7.0);
    // A state that says on without a timer is still put right, and said.
    app.state.autoCycleOn = true;
    EXPECT_EQ(run(verbs::CyclePattern{1}), QStringList({cycling(false), pattern("black")}));

    // Pattern names are exact and stop the auto-cycle; cycling steps once whatever the delta.
    run(verbs::AutoCycle{true, 60.0});
    ASSERT_TRUE(app.autoCycleRunning());

    EXPECT_TRUE(run(verbs::ShowPattern{QStringLiteral("Grid")}).isEmpty());
    EXPECT_EQ(run(verbs::ShowPattern{QStringLiteral("grid")}),
              QStringList({cycling(false), pattern("grid")}));
    EXPECT_EQ(app.output.patternView().pattern(), Pattern::grid);

    run(verbs::ShowPattern{QStringLiteral("crosshatch")});
    EXPECT_EQ(run(verbs::CyclePattern{1}), QStringList{pattern("calibration")});
    // A delta beyond int is held at its end, not wrapped round to the other sign.
    run(verbs::CyclePattern{(std::int64_t{1} << 32) - 1});
    EXPECT_EQ(app.state.activePattern, Pattern::grid);
    run(verbs::CyclePattern{-(std::int64_t{1} << 32) + 1});
    EXPECT_EQ(app.state.activePattern, Pattern::calibration);
    // The output's arrow keys cycle the same way.
    app.output.patternView().onCycle(-1);
    EXPECT_EQ(app.state.activePattern, Pattern::crosshatch);
}

TEST_F(OutputVerbs, ShowAndHideTheOutputWhichInfoMirrorAndBlankShowButNeverHide) {
    AppCore& app = launch();
    EXPECT_EQ(run(verbs::ShowOutput{true}), QStringList{shown(true)});
    EXPECT_TRUE(app.output.isShown());
    run(verbs::ShowInfo{true});
    run(verbs::ShowOutput{false});
    EXPECT_FALSE(app.output.isShown());
    // The card went with the output and stays off when it comes back.
    run(verbs::ShowOutput{true});
    EXPECT_FALSE(app.output.infoCard().isShown());

    // Escape on the output hides it like the page's switch does.
    page_.clear();
    app.output.patternView().onClose();
    EXPECT_EQ(page_, QStringList({shown(false), info(false)}));

    // Info, mirror and blank show the output but never hide it.
    EXPECT_EQ(run(verbs::ShowInfo{true}), QStringList({shown(true), info(true)}));
    EXPECT_EQ(run(verbs::ShowInfo{false}), QStringList{info(false)});
    run(verbs::ShowOutput{false});
    EXPECT_EQ(run(verbs::SetMirror{true}),
              QStringList({shown(true), pagecalls::mirrorChanged(true)}));
    EXPECT_EQ(run(verbs::SetMirror{false}), QStringList{pagecalls::mirrorChanged(false)});
    EXPECT_FALSE(app.output.mirrorOn());
    run(verbs::ShowOutput{false});
    EXPECT_EQ(run(verbs::Blank{}), QStringList({shown(true), pattern("black")}));
    EXPECT_EQ(app.output.patternView().pattern(), Pattern::black);

    // An output display not attached falls back, and with none showing the output hides.
    // Moving a shown output, and a choice kept across launches, are the display tests'.
    run(verbs::SelectOutputDisplay{kPanel});
    run(verbs::ShowOutput{true});
    run(verbs::SelectOutputDisplay{77});
    EXPECT_EQ(app.output.currentDisplayID(), kProjector);
    EXPECT_TRUE(run(verbs::IdentifyDisplays{}).isEmpty());

    displays_->displays.clear();
    displays_->notifyChange();
    app.state.infoVisible = true;
    EXPECT_EQ(run(verbs::ShowOutput{true}), QStringList({shown(false), info(false)}));
    EXPECT_FALSE(app.state.infoVisible);
    // Nothing to cycle on either: the auto-cycle stays off and says so.
    EXPECT_EQ(run(verbs::AutoCycle{true, 2.0}), QStringList{cycling(false)});
    EXPECT_FALSE(app.state.autoCycleOn);
}

TEST_F(OutputVerbs, ViewSettingsTheSlateLogoAndTheSyncOffsetReachTheOutput) {
    AppCore& app = launch();
    // The range reaches the views and the page (a profile keeps it: DisplayVerbs); other names
    // are ignored.
    EXPECT_EQ(run(verbs::SetVideoRange{"limited"}),
              QStringList{pagecalls::videoRangeChanged("limited")});
    EXPECT_EQ(app.output.patternView().videoRange(), VideoRange::limited);
    EXPECT_TRUE(run(verbs::SetVideoRange{"video"}).isEmpty());

    // The rest reach it silently, held to the page's bounds whatever reaches the bridge.
    EXPECT_TRUE(run(verbs::SetAspectRatios{{}}).isEmpty());
    EXPECT_TRUE(app.output.patternView().aspectRatios().isEmpty());
    EXPECT_TRUE(run(verbs::SetSlateText{QStringLiteral("Take 3")}).isEmpty());
    EXPECT_EQ(app.output.patternView().slateText(), QStringLiteral("Take 3"));
    run(verbs::SetSlateText{QString(200000, QLatin1Char('x'))});
    EXPECT_EQ(app.output.patternView().slateText(), QString(120, QLatin1Char('x')));
    for (const auto& [asked, held] :
         {std::pair{0.5, 0.5}, {1e-9, 0.1}, {1e9, 60.0}, {std::nan(""), 60.0}, {-1.0, 0.1}}) {
        EXPECT_TRUE(run(verbs::SetBounceRate{asked}).isEmpty());
        EXPECT_EQ(app.output.patternView().bouncePeriod(), held) << asked;
    }
    // Beyond int the rate is held at its end, not wrapped to a small or negative one.
    for (const auto& [asked, held] : {std::pair{std::int64_t{25}, 25},
                                      {(std::int64_t{1} << 32) + 25, INT_MAX},
                                      {-(std::int64_t{1} << 40), INT_MIN}}) {
        EXPECT_TRUE(run(verbs::SetTimecodeFps{asked}).isEmpty());
        EXPECT_EQ(app.output.patternView().timecodeFps(), held) << asked;
    }
    // Audio names outside the list mean off and both.
    EXPECT_TRUE(
        run(verbs::SetAudio{QStringLiteral("tone"), QStringLiteral("left"), true}).isEmpty());
    EXPECT_TRUE(signal_.running);
    run(verbs::SetAudio{QStringLiteral("Tone"), QStringLiteral("left"), false});
    EXPECT_FALSE(signal_.running);

    // A logo shows the slate once chosen; no choice, or a file that is no image, changes nothing.
    EXPECT_TRUE(run(verbs::PickSlateLogo{}).isEmpty());
    ASSERT_TRUE(pendingPick_);
    QFile junk(dir_.filePath(QStringLiteral("junk.png")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly) && junk.write("not an image") > 0);
    junk.close();
    pendingPick_(std::nullopt);
    pendingPick_(junk.fileName());
    EXPECT_TRUE(page_.isEmpty());
    EXPECT_FALSE(app.output.patternView().slateImage());

    const QString logo = dir_.filePath(QStringLiteral("logo.png"));
    QImage image(8, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(logo));
    pendingPick_(logo);
    EXPECT_EQ(page_, QStringList({shown(true), pattern("slate")}));
    ASSERT_TRUE(app.output.patternView().slateImage());
    EXPECT_EQ(app.output.patternView().slateImage()->size(), QSize(8, 4));

    EXPECT_TRUE(run(verbs::ClearSlateLogo{}).isEmpty());
    EXPECT_FALSE(app.output.patternView().slateImage());
    EXPECT_EQ(app.state.activePattern, Pattern::slate);

    // The sync offset is held to a second; the page hears the value in force, not the one asked.
    EXPECT_EQ(run(verbs::SetSyncOffset{5000.0}), QStringList{pagecalls::syncOffsetChanged(1000.0)});
    EXPECT_EQ(app.output.syncOffsetMs(), 1000.0);
    run(verbs::SetSyncOffset{-1e300});
    EXPECT_EQ(app.output.syncOffsetMs(), -1000.0);

    // A stored value out of range is held to a second; one that is not a number reads as none.
    for (const auto& [stored, held] :
         {std::pair{QVariant(2500), 1000.0}, {QVariant("soon"), 0.0}}) {
        app_.reset();
        SetUp();
        QSettings(settingsFile(), QSettings::IniFormat).setValue("syncOffsetMs", stored);
        EXPECT_EQ(launch().output.syncOffsetMs(), held);
    }
}

}  // namespace
}  // namespace lumenor::test
