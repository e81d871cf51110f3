#include <QSettings>

#include "app/app_fixture.h"
#include "updates/fake_update_fetcher.h"
#include "updates/fake_update_prompt.h"
#include "updates/test_feed.h"

namespace lumenor::test {
namespace {

const QUrl kFeed("https://updates.test/appcast.xml?product=lumenor");

// The core with an update service over fakes; launching starts its schedule.
class AppUpdates : public AppFixture {
  protected:
    void giveUpdater(bool automatic) {
        auto fetcher = std::make_unique<FakeUpdateFetcher>();
        auto prompt = std::make_unique<FakeUpdatePrompt>();
        fetcher_ = fetcher.get();
        prompt_ = prompt.get();
        fetcher_->answers[kFeed] = FetchResult{feedXml({}), {}};
        auto settings =
            std::make_unique<QSettings>(dir_.filePath("updates.ini"), QSettings::IniFormat);
        settings->setValue("updates/automaticChecks", automatic);
        UpdaterController::Services s{std::move(fetcher),  std::move(prompt),
                                      std::move(settings), dir_.filePath("downloads"),
                                      UpdatePlatform{},    nullptr};
        platforms_.updater = std::make_unique<UpdaterController>(
            UpdatesConfig{kFeed, std::nullopt, {}}, std::move(s), "1.0.0");
    }

    FakeUpdateFetcher* fetcher_ = nullptr;
    FakeUpdatePrompt* prompt_ = nullptr;
};

// How the menu item reaches the service and what it says is shown end to end.
TEST_F(AppUpdates, LaunchChecksQuietlyOnlyWhenAutomaticChecksAreOn) {
    launch();
    app_->checkForUpdates();  // without an update service: nothing, and no crash
    EXPECT_TRUE(page_.isEmpty());
    app_.reset();

    SetUp();
    giveUpdater(false);
    launch();
    EXPECT_TRUE(fetcher_->requests.empty());
    app_.reset();

    SetUp();
    giveUpdater(true);
    launch();
    EXPECT_EQ(fetcher_->requests, std::vector<QUrl>{kFeed});
    EXPECT_TRUE(prompt_->told.isEmpty());
}

}  // namespace
}  // namespace lumenor::test
