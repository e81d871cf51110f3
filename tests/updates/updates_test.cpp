#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "updates/appcast.h"
#include "updates/fake_update_fetcher.h"
#include "updates/fake_update_prompt.h"
#include "updates/package_fields.h"
#include "updates/test_feed.h"
#include "updates/update_choice.h"
#include "updates/updater_controller.h"
#include "updates/version_order.h"

namespace lumenor {
namespace {

using test::FeedItem;
using test::feedXml;

int order(const char* a, const char* b) {
    const std::optional<Version> x = parseVersion(QLatin1String(a));
    const std::optional<Version> y = parseVersion(QLatin1String(b));
    EXPECT_TRUE(x && y) << a << " " << b;
    return x && y ? compareVersions(*x, *y) : 0;
}

TEST(VersionOrder, NumbersCompareAsNumbersAndMissingOnesAreZero) {
    EXPECT_GT(order("1.10", "1.9"), 0);
    EXPECT_GT(order("2.0", "1.99.99"), 0);
    EXPECT_EQ(order("1.2", "1.2.0"), 0);
    EXPECT_LT(order("1.2", "1.2.1"), 0);
    EXPECT_EQ(order("v1.4.0+build.7", "1.4"), 0);
}

TEST(VersionOrder, PreReleasesComeBeforeTheirReleaseInIdentifierOrder) {
    const char* ascending[] = {"1.0.0-alpha", "1.0.0-alpha.1", "1.0.0-alpha.beta",
                               "1.0.0-beta",  "1.0.0-beta.2",  "1.0.0-beta.11",
                               "1.0.0-rc.1",  "1.0.0",         "1.0.1-rc.1"};
    for (std::size_t i = 0; i + 1 < std::size(ascending); ++i) {
        EXPECT_LT(order(ascending[i], ascending[i + 1]), 0) << ascending[i];
        EXPECT_GT(order(ascending[i + 1], ascending[i]), 0) << ascending[i + 1];
    }
    EXPECT_GT(order("1.10.0-rc.1", "1.9.0"), 0);
}

TEST(VersionOrder, TextThatIsNoVersionIsRefused) {
    for (const char* bad : {"", "1..2", "1.x", "one", "1.2-", "1.2-beta..1", "-1.2", "1.2.3.",
                            "99999999999.0", "1.2-be ta"}) {
        EXPECT_FALSE(parseVersion(QLatin1String(bad))) << bad;
    }
}

const UpdatePlatform kPlatform{"linux", "amd64", "12", {}};

FeedItem signedItem(const QString& version) {
    FeedItem item =
        test::feedItem(version, "https://example.test/lumenor_" + version + "_amd64.deb", 1000,
                       QString::fromLatin1(QByteArray(64, 'x').toBase64()));
    item.sha256 = QString(64, 'a');
    return item;
}

UpdateChoice choose(const std::vector<FeedItem>& items, const QString& running = "1.9.0") {
    const AppcastParse feed = parseAppcast(feedXml(items));
    EXPECT_FALSE(feed.error) << feed.error->toStdString();
    return chooseUpdate(feed.items, running, kPlatform);
}

TEST(Appcast, ReadsWhatTheOfferShowsAndThePackageType) {
    FeedItem item = signedItem("2.1.0");
    item.shortVersion = "2.1";
    const AppcastParse feed = parseAppcast(feedXml({item}));
    ASSERT_FALSE(feed.error);
    ASSERT_EQ(feed.items.size(), 1U);
    // The fields the choice and the download check use are proven by their own tests.
    const AppcastItem& read = feed.items[0];
    EXPECT_EQ(read.displayVersion(), "2.1");
    EXPECT_EQ(read.releaseNotesLink, QUrl("https://lumenor.org/notes/2.1.0"));
    EXPECT_EQ(read.description, "Fixes & changes");
    ASSERT_TRUE(read.enclosure);
    EXPECT_EQ(read.enclosure->type, "application/vnd.debian.binary-package");
}

TEST(Appcast, AFeedThatIsNotWellFormedRssIsAnError) {
    const QByteArray good = feedXml({signedItem("2.0")});
    for (const QByteArray& bad :
         {QByteArray("not xml at all"), QByteArray(good).replace("</channel>", ""),
          QByteArray(good).replace("rss", "feed"), QByteArray("<rss version=\"2.0\"/>"),
          good + "<extra/>",
          QByteArray(good).insert(good.indexOf("<rss"), "<!DOCTYPE rss [<!ENTITY x \"y\">]>")}) {
        const AppcastParse feed = parseAppcast(bad);
        EXPECT_TRUE(feed.error) << bad.toStdString();
        EXPECT_TRUE(feed.items.empty());
    }
}

TEST(UpdateChoice, TheNewestItemForThisComputerNewerThanTheRunningOneElseUpToDate) {
    FeedItem otherSystem = signedItem("3.0");
    otherSystem.os = "windows";
    FeedItem newerSystem = signedItem("2.9");
    newerSystem.minimumSystem = "13";
    FeedItem beta = signedItem("2.8");
    beta.channel = "beta";
    const UpdateChoice choice = choose({signedItem("1.10.0"), otherSystem, newerSystem, beta,
                                        signedItem("1.11.0-rc.1"), signedItem("1.9.5")});
    ASSERT_EQ(choice.kind, UpdateChoice::Kind::available);
    EXPECT_EQ(choice.item->version, "1.11.0-rc.1");

    UpdatePlatform betaTester = kPlatform;
    betaTester.channels = {"beta"};
    const AppcastParse feed = parseAppcast(feedXml({signedItem("2.0"), beta}));
    EXPECT_EQ(chooseUpdate(feed.items, "1.0", betaTester).item->version, "2.8");

    // Nothing newer is up to date.
    EXPECT_EQ(choose({signedItem("1.9.0"), signedItem("1.9.0-rc.2"), signedItem("1.2")}).kind,
              UpdateChoice::Kind::upToDate);
    EXPECT_EQ(choose({}).kind, UpdateChoice::Kind::upToDate);
}

TEST(UpdateChoice, AnUnsignedOrUnsafeNewestItemIsRefusedNotOffered) {
    FeedItem unsigned_ = signedItem("2.0");
    unsigned_.signature.clear();
    FeedItem garbled = signedItem("2.0");
    garbled.signature = "c2hvcnQ=";
    FeedItem plain = signedItem("2.0");
    plain.url = "http://example.test/lumenor.deb";
    FeedItem noDigest = signedItem("2.0");
    noDigest.sha256 = "abc";
    for (const FeedItem& item : {unsigned_, garbled, plain, noDigest}) {
        const UpdateChoice choice = choose({signedItem("1.9.5"), item});
        EXPECT_EQ(choice.kind, UpdateChoice::Kind::refused);
        EXPECT_TRUE(choice.message.contains("Lumenor 2.0")) << choice.message.toStdString();
    }
}

// The maintainers' signing script and the checks in Lumenor agree, with keys made by the
// openssl tool as the release key is: the offer it signs is the one Lumenor verifies, for the
// package it was given and no other.
TEST(DownloadCheck, AcceptsWhatTheReleaseSigningScriptSignsAndNothingElse) {
    QTemporaryDir dir;
    const QString key = dir.filePath("release.pem");
    const QString path = dir.filePath("p.deb");
    ASSERT_EQ(QProcess::execute("openssl", {"genpkey", "-algorithm", "ed25519", "-out", key}), 0);
    const QByteArray package = test::debPackage("2.0.0");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(package);
    file.close();

    QProcess sign;
    sign.start(SIGN_SCRIPT, {key, path, "2.0"});
    ASSERT_TRUE(sign.waitForFinished(30000));
    const QString printed = QString::fromLatin1(sign.readAllStandardOutput());
    const QRegularExpression pattern(
        "^<lumenor:version>2.0.0</lumenor:version>\n"
        "<lumenor:shortVersionString>2.0</lumenor:shortVersionString>\n"
        "length=\"(\\d+)\" lumenor:arch=\"amd64\" lumenor:sha256=\"([0-9a-f]{64})\" "
        "lumenor:offerSignature=\"([^\"]+)\" lumenor:edSignature=\"[^\"]+\"\n$");
    const QRegularExpressionMatch m = pattern.match(printed);
    ASSERT_TRUE(m.hasMatch()) << printed.toStdString();

    QProcess pub;
    pub.start("openssl", {"pkey", "-in", key, "-pubout", "-outform", "DER"});
    ASSERT_TRUE(pub.waitForFinished(30000));
    const QByteArray publicKey = pub.readAllStandardOutput().right(32);

    FeedItem item = signedItem("2.0.0");
    item.shortVersion = "2.0";
    item.length = m.captured(1).toLongLong();
    item.sha256 = m.captured(2);
    item.signature = m.captured(3);
    const AppcastItem read = parseAppcast(feedXml({item})).items.at(0);
    EXPECT_FALSE(checkDownload(package, read, publicKey));
    EXPECT_FALSE(checkPackageFields(package, read));
    QByteArray changed = package;
    changed[changed.size() - 1] = static_cast<char>(changed.back() ^ 1);
    EXPECT_TRUE(checkDownload(changed, read, publicKey));
    EXPECT_TRUE(checkDownload(package, read, test::TestKey().publicKey()));
    AppcastItem relabelled = read;
    relabelled.shortVersion = "2.1";
    EXPECT_TRUE(checkDownload(package, relabelled, publicKey));
}

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
            kPlatform,
            [this] { return now_; }};
        controller_ = std::make_unique<UpdaterController>(
            UpdatesConfig{kFeed, std::nullopt, key_.publicKey()}, std::move(s), "1.0.0");
    }

    // The feed offers 2.0.0, whose package is `package`, signed for it.
    void offer(const QByteArray& package) {
        test::FeedItem item = test::feedItem("2.0.0", kPackage.toString(), package.size());
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
