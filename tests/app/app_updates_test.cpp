#include <QSettings>

#include "app/app_fixture.h"
#include "updates/fake_update_fetcher.h"
#include "updates/fake_update_prompt.h"
#include "updates/test_feed.h"

namespace lumenor::test {
namespace {

const QUrl kFeed("https://updates.test/appcast.xml?product=lumenor");

// The core with an update service over fakes: the menu item asks it, launching starts its
// schedule.
class AppUpdates : public AppCore {
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

TEST_F(AppUpdates, TheMenuItemChecksAndSaysHowItEnded) {
    giveUpdater(false);
    AppDelegate& app = launch();
    EXPECT_TRUE(fetcher_->requests.empty());
    app.checkForUpdates();
    EXPECT_EQ(fetcher_->requests, std::vector<QUrl>{kFeed});
    EXPECT_EQ(prompt_->told, QStringList{"Lumenor is up to date."});
}

TEST_F(AppUpdates, LaunchChecksQuietlyWhenAutomaticChecksAreOn) {
    giveUpdater(true);
    launch();
    EXPECT_EQ(fetcher_->requests, std::vector<QUrl>{kFeed});
    EXPECT_TRUE(prompt_->told.isEmpty());
}

TEST_F(AppUpdates, WithoutAnUpdateServiceTheMenuItemDoesNothing) {
    AppDelegate& app = launch();
    app.checkForUpdates();
    EXPECT_TRUE(page_.isEmpty());
}

}  // namespace
}  // namespace lumenor::test
