#include "app/app_fixture.h"
#include "app/display_report.h"
#include "displays/display_modes.h"
#include "output/frame_status_text.h"
#include "output/output_texts.h"

namespace lumenor::test {
namespace {

using DisplayVerbs = AppFixture;

QString countdown(int n) {
    return pagecalls::revertCountdown(n);
}

QString modes(FakeModePlatform& platform, DisplayId id) {
    return pagecalls::modesChanged(modesForDisplay(platform, id), true);
}

TEST_F(DisplayVerbs, ModesAreOfferedForExternalDisplaysOnlyAndATrialIsKeptOrPutBack) {
    AppCore& app = launch();
    EXPECT_EQ(run(verbs::SelectDisplay{kPanel}), QStringList{pagecalls::modesChanged({}, false)});
    // The panel is selected: its modes are not changed.
    EXPECT_TRUE(run(verbs::ApplyMode{10}).isEmpty());
    EXPECT_EQ(run(verbs::SelectDisplay{kProjector}), QStringList{modes(*modes_, kProjector)});
    EXPECT_TRUE(run(verbs::ApplyMode{99}).isEmpty());
    EXPECT_TRUE(modes_->applied.empty());

    EXPECT_EQ(run(verbs::ApplyMode{22}),
              QStringList({countdown(15), pagecalls::modeApplied(true, 15)}));
    // Either answer is followed by the list as the display now has it.
    const auto resolved = [&](bool kept) {
        return QStringList(
            {pagecalls::revertResolved(kept), pagecalls::displaysChanged(app.state.displays),
             pagecalls::displaySelections(kProjector, kProjector), modes(*modes_, kProjector)});
    };
    // The list is read once the answer is sent.
    const QStringList kept = run(verbs::ConfirmMode{});
    EXPECT_EQ(kept, resolved(true));
    run(verbs::ApplyMode{23});
    const QStringList reverted = run(verbs::RevertMode{});
    EXPECT_EQ(reverted, resolved(false));
    EXPECT_EQ(modes_->applied.back().modeId, 22);
    // Trials in a row go back to the mode before the first, which the server reports as current.
    run(verbs::ApplyMode{21});
    app.displayService.refresh();
    run(verbs::ApplyMode{23});
    run(verbs::RevertMode{});
    EXPECT_EQ(modes_->displays[kProjector].currentId, 22);

    // A failed apply is not reported as a trial.
    modes_->failComplete = true;
    const QStringList failed = run(verbs::ApplyMode{20});
    EXPECT_EQ(failed, resolved(false) << pagecalls::modeApplied(false, 15));
    EXPECT_EQ(modes_->displays[kProjector].currentId, 22);
}

TEST_F(DisplayVerbs, ATrialOnTheFallbackDisplayOutlivesItsChangeAndAnotherPutsItBack) {
    displays_->displays[0].builtin = false;
    modes_->displays[kPanel].modes->push_back(mode(11, 1440, 900, 60.0));
    AppCore& app = launch();
    run(verbs::SelectDisplay{99});  // gone since: the first display stands in
    run(verbs::ApplyMode{11});
    displays_->notifyChange();
    EXPECT_TRUE(app.revert.trialRunning());
    EXPECT_EQ(modes_->displays[kPanel].currentId, 11);
    run(verbs::SelectDisplay{kProjector});
    run(verbs::ApplyMode{22});
    EXPECT_EQ(modes_->displays[kPanel].currentId, 10);
    EXPECT_EQ(modes_->displays[kProjector].currentId, 22);
    EXPECT_EQ(app.revert.displayID(), kProjector);
}

TEST_F(DisplayVerbs, AWakeRefreshesTheListAndUnpluggingTheOutputDisplayHidesTheOutputForGood) {
    AppCore& app = launch();
    run(verbs::SelectOutputDisplay{kProjector});
    run(verbs::SelectDisplay{kProjector});
    run(verbs::ShowInfo{true});
    // A wake refreshes the list, as a mode may have changed while asleep.
    modes_->displays[kProjector].currentId = 22;
    page_.clear();
    wake_->onWake();
    EXPECT_EQ(app.state.displays[1].currentMode.pixelWidth, 1280);
    EXPECT_EQ(page_.value(0), pagecalls::displaysChanged(app.state.displays));
    EXPECT_TRUE(app.output.isShown());
    EXPECT_EQ(app.output.currentDisplayID(), kProjector);

    // Unplugged during a trial.
    run(verbs::ApplyMode{23});
    const auto projector = displays_->displays[1];
    const auto projectorModes = modes_->displays[kProjector];
    displays_->displays.pop_back();
    modes_->displays.erase(kProjector);
    page_.clear();
    displays_->notifyChange();
    EXPECT_TRUE(page_.startsWith(pagecalls::displaysChanged(app.state.displays)));
    // Nothing went back: the page says the display went, not that the mode was restored.
    EXPECT_TRUE(page_.contains(pagecalls::revertResolved(false, true)));
    EXPECT_FALSE(page_.contains(pagecalls::revertResolved(false)));
    const qsizetype hidden = page_.indexOf(shown(false));
    ASSERT_GE(hidden, 0);
    EXPECT_EQ(page_.value(hidden + 1), info(false));
    EXPECT_FALSE(app.state.infoVisible);
    EXPECT_FALSE(app.output.isShown());
    EXPECT_EQ(app.state.outputDisplayID, kProjector);

    displays_->displays.push_back(projector);
    modes_->displays[kProjector] = projectorModes;
    displays_->notifyChange();
    EXPECT_FALSE(app.state.outputVisible);
    EXPECT_FALSE(app.output.isShown());
}

TEST_F(DisplayVerbs, WithNoChoiceTheOutputKeepsOffTheControllersDisplay) {
    // Where the controller is, where the output goes, and whether its banner tells how to
    // take it away: the controller's display is avoided before an external one is preferred.
    const struct {
        std::optional<DisplayId> controller;
        bool panelIsBuiltin;
        DisplayId output;
    } cases[] = {
        {std::nullopt, true, kProjector}, {kPanel, false, kProjector}, {kProjector, true, kPanel}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.controller.value_or(0) << " " << c.panelIsBuiltin);
        SetUp();
        QSettings(settingsFile(), QSettings::IniFormat).clear();
        displays_->displays[0].builtin = c.panelIsBuiltin;
        platforms_.core.controllerDisplay = [c] { return c.controller; };
        AppCore& app = launch();
        EXPECT_TRUE(run(verbs::Ready{}).contains(pagecalls::displaySelections(kPanel, c.output)));
        run(verbs::ShowOutput{true});
        EXPECT_EQ(app.output.currentDisplayID(), c.output);
        // Chosen, the controller's display takes the output silently; its banner says how.
        EXPECT_TRUE(run(verbs::SelectOutputDisplay{c.controller.value_or(kPanel)}).isEmpty());
        EXPECT_EQ(app.output.currentDisplayID(), c.controller.value_or(kPanel));
        EXPECT_EQ(app.output.hud().text().endsWith(QString::fromUtf8(kHideHintText)),
                  c.controller.has_value());
        app_.reset();
    }
}

TEST_F(DisplayVerbs, TheChosenDisplaysAreKeptAcrossLaunchesByName) {
    launch();
    // Chosen while hidden, the output stays hidden.
    EXPECT_TRUE(run(verbs::SelectOutputDisplay{kPanel}).isEmpty());
    run(verbs::SelectDisplay{kProjector});
    app_.reset();

    // The next run numbers the displays anew; the names find them.
    SetUp();
    for (DisplayId i : {0U, 1U}) {
        displays_->screenList[i].number = displays_->displays[i].id = 7 + i;
        modes_->displays[7 + i] = modes_->displays[1 + i];
    }
    AppCore& second = launch();
    EXPECT_EQ(second.state.selectedDisplayID, 8);
    run(verbs::ShowOutput{true});
    EXPECT_EQ(second.output.currentDisplayID(), 7);
}

TEST_F(DisplayVerbs, ProfilesKeepTheSetUpAndTryTheirModeOnlyOnTheirDisplayWhenTheSizeDiffers) {
    AppCore& app = launch();
    // A profile for a display not attached restores the rest.
    app.state.selectedDisplayID = kPanel;
    Profile p;
    p.name = QStringLiteral("Away");
    p.outputDisplayName = QStringLiteral("Elsewhere");
    p.bouncePeriod = 2.5;
    // Its mode belongs to its own display: the projector, the output now, keeps its mode.
    p.pixelWidth = 1280;
    p.pixelHeight = 720;
    ASSERT_TRUE(app.presets.save(p));
    EXPECT_TRUE(run(verbs::LoadProfile{p.name})
                    .contains(pagecalls::profileNote(
                        QStringLiteral("Elsewhere is not attached: the rest of the profile is "
                                       "loaded, no display mode was changed."))));
    EXPECT_FALSE(app.revert.trialRunning());
    EXPECT_EQ(app.state.selectedDisplayID, kPanel);
    EXPECT_EQ(app.state.outputDisplayID, std::nullopt);
    EXPECT_EQ(app.state.aspectRatios, defaultAspectSelection());
    // A profile without an offset, as older ones are, plays the clicks with the picture.
    run(verbs::SetSyncOffset{-60.0});
    run(verbs::LoadProfile{p.name});
    EXPECT_EQ(app.output.syncOffsetMs(), 0.0);
    EXPECT_EQ(run(verbs::DeleteProfile{p.name}), QStringList{pagecalls::profilesChanged({})});

    run(verbs::ShowPattern{QStringLiteral("smpte")});
    run(verbs::SetSlateText{QStringLiteral("Stage left")});
    run(verbs::SetAspectRatios{{QStringLiteral("4:3")}});
    run(verbs::SetSyncOffset{35.0});
    run(verbs::SetVideoRange{"limited"});
    EXPECT_EQ(run(verbs::SaveProfile{QStringLiteral("Hall")}),
              QStringList{pagecalls::profilesChanged({QStringLiteral("Hall")})});
    std::optional<Profile> saved = app.presets.load(QStringLiteral("Hall"));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->outputDisplayName, QStringLiteral("Projector"));
    EXPECT_EQ(saved->pixelWidth, 1920);
    EXPECT_EQ(saved->aspectRatios, QStringList{QStringLiteral("4:3")});

    run(verbs::ShowPattern{QStringLiteral("grid")});
    run(verbs::SetSlateText{QString()});
    run(verbs::SetSyncOffset{0.0});
    run(verbs::SetVideoRange{"full"});
    EXPECT_EQ(run(verbs::LoadProfile{QStringLiteral("Hall")}),
              QStringList(
                  {modes(*modes_, kProjector), pagecalls::videoRangeChanged("limited"),
                   pagecalls::slateTextChanged(QStringLiteral("Stage left")), pattern("smpte"),
                   pagecalls::syncSelections(kProjector, kProjector, {QStringLiteral("4:3")}, 2.5),
                   pagecalls::syncOffsetChanged(35.0)}));
    EXPECT_EQ(app.output.patternView().slateText(), QStringLiteral("Stage left"));
    EXPECT_EQ(app.output.patternView().videoRange(), VideoRange::limited);
    EXPECT_EQ(app.output.syncOffsetMs(), 35.0);
    EXPECT_TRUE(run(verbs::LoadProfile{QStringLiteral("Nowhere")}).isEmpty());

    // A profile tries its mode only when the size differs, not the rate alone.
    saved->refreshHz = 50.0;
    ASSERT_TRUE(app.presets.save(*saved));
    run(verbs::LoadProfile{saved->name});
    EXPECT_TRUE(modes_->applied.empty());
    saved->pixelWidth = 1280;
    saved->pixelHeight = 720;
    saved->refreshHz = 59.5;
    ASSERT_TRUE(app.presets.save(*saved));
    const QStringList sent = run(verbs::LoadProfile{saved->name});
    EXPECT_EQ(sent.mid(sent.size() - 2),
              QStringList({countdown(15), pagecalls::modeApplied(true, 15)}));
    EXPECT_EQ(app.revert.displayID(), kProjector);
    EXPECT_EQ(modes_->applied.back().modeId, 22);
}

TEST_F(DisplayVerbs, OnAWaylandDesktopModesAreLockedFramesUncountedAndTheReportSaysSo) {
    modes_->refusal = modesFixedOnWaylandDesktop();
    displays_->xwayland = true;
    static_cast<ManualLinks&>(*platforms_.core.refreshLinks).followsDisplayClock = false;
    launch();
    EXPECT_EQ(run(verbs::SelectDisplay{kProjector}),
              QStringList{pagecalls::modesRefused(modesForDisplay(*modes_, kProjector),
                                                  modesFixedOnWaylandDesktop())});
    // The meter starts once the output's first frame is up.
    run(verbs::ShowOutput{true});
    const QString unavailable =
        pagecalls::frameTimingUnavailable(frameTimingUnavailableText().text);
    EXPECT_TRUE(spinUntil([&] { return page_.contains(unavailable); }));
    run(verbs::CopyReport{});
    ASSERT_EQ(clipboard_.size(), 1);
    EXPECT_EQ(clipboard_.front().count(waylandDesktopNote()), 1);
}

}  // namespace
}  // namespace lumenor::test
