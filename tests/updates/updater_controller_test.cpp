#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "updates/fake_update_fetcher.h"
#include "updates/fake_update_prompt.h"
#include "updates/test_feed.h"
#include "updates/updater_controller.h"

namespace lumenor {
namespace {

const QUrl kFeed("https://updates.test/appcast.xml?product=lumenor");
const QUrl kPackage("https://updates.test/lumenor_2.0.0_amd64.deb");

class Updater : public ::testing::Test {
  protected:
    void SetUp() override { make(); }

    void make() {
        auto fetcher = std::make_unique<FakeUpdateFetcher>();
        auto prompt = std::make_unique<FakeUpdatePrompt>();
        fetcher_ = fetcher.get();
        prompt_ = prompt.get();
        UpdaterController::Services s{
            std::move(fetcher),
            std::move(prompt),
            std::make_unique<QSettings>(dir_.filePath("settings.ini"), QSettings::IniFormat),
            dir_.filePath("downloads"),
            UpdatePlatform{"linux", "amd64", "12", {}},
            [this] { return now_; }};
        controller_ = std::make_unique<UpdaterController>(
            UpdatesConfig{kFeed, std::nullopt, key_.publicKey()}, std::move(s), "1.0.0");
    }

    // The feed offers 2.0.0, whose package is `package`, signed for it.
    void offer(const QByteArray& package) {
        test::FeedItem item = test::feedItem("2.0.0", kPackage.toString(), package.size(), {});
        test::signOffer(key_, item, package);
        fetcher_->answers[kFeed] = FetchResult{test::feedXml({item}), {}};
        fetcher_->answers[kPackage] = FetchResult{package, {}};
    }

    void upToDate() { fetcher_->answers[kFeed] = FetchResult{test::feedXml({}), {}}; }

    QTemporaryDir dir_;
    test::TestKey key_;
    QDateTime now_ = QDateTime::fromString("2026-03-01T09:00:00Z", Qt::ISODate);
    FakeUpdateFetcher* fetcher_ = nullptr;
    FakeUpdatePrompt* prompt_ = nullptr;
    std::unique_ptr<UpdaterController> controller_;
};

TEST_F(Updater, DownloadHandsOnTheFileAndLaterDownloadsNothing) {
    offer(test::debPackage("2.0.0"));
    controller_->checkForUpdates();
    ASSERT_EQ(prompt_->offered.size(), 1U);
    EXPECT_EQ(prompt_->offered[0].version, "2.0.0");
    EXPECT_EQ(prompt_->offeredOver, "1.0.0");
    ASSERT_EQ(prompt_->handedOn, QStringList{dir_.filePath("downloads/lumenor_2.0.0_amd64.deb")});
    EXPECT_TRUE(prompt_->told.isEmpty());

    prompt_->answer = false;
    controller_->checkForUpdates();
    EXPECT_EQ(prompt_->offered.size(), 2U);
    EXPECT_EQ(fetcher_->requests.size(), 3U);  // feed, package, feed: no second download
    EXPECT_FALSE(controller_->busy());
}

TEST_F(Updater, AutomaticChecksAreOffUntilTurnedOnThenDailyAndQuiet) {
    upToDate();
    EXPECT_FALSE(controller_->automaticallyChecksForUpdates());
    controller_->start();
    controller_->checkIfDue();
    EXPECT_TRUE(fetcher_->requests.empty());

    controller_->setAutomaticallyChecksForUpdates(true);
    EXPECT_EQ(fetcher_->requests.size(), 1U);  // turned on: due at once
    now_ = now_.addSecs(23 * 3600);
    controller_->checkIfDue();
    EXPECT_EQ(fetcher_->requests.size(), 1U);
    now_ = now_.addSecs(3600);
    controller_->checkIfDue();
    EXPECT_EQ(fetcher_->requests.size(), 2U);
    fetcher_->answers.remove(kFeed);
    now_ = now_.addDays(1);
    controller_->checkIfDue();
    EXPECT_EQ(fetcher_->requests.size(), 3U);
    EXPECT_TRUE(prompt_->told.isEmpty());  // neither up to date nor the failure is said

    // The switch and the day survive a restart.
    make();
    upToDate();
    EXPECT_TRUE(controller_->automaticallyChecksForUpdates());
    controller_->start();
    EXPECT_TRUE(fetcher_->requests.empty());
    offer(test::debPackage("2.0.0"));
    now_ = now_.addDays(1);
    prompt_->answer.reset();
    controller_->checkIfDue();
    EXPECT_EQ(prompt_->offered.size(), 1U);  // an update is the one thing it shows
    prompt_->pending(false);
}

}  // namespace
}  // namespace lumenor
