#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <limits>
#include <thread>

#include "core/app_id.h"
#include "core/user_settings.h"
#include "profiles/preset_store.h"
#include "support/log_capture.h"

namespace lumenor {
namespace {

Profile profile(const QString& name, double bounce = 1.0) {
    Profile p;
    p.name = name;
    p.pattern = QStringLiteral("smpte");
    p.aspectRatios = {QStringLiteral("4:3")};
    p.bouncePeriod = bounce;
    return p;
}

QByteArray storedBytes() {
    return openUserSettings()->value(QLatin1String(PresetStore::kKey)).toByteArray();
}

void storeRaw(const QString& key, const QVariant& value) {
    const auto settings = openUserSettings();
    settings->setValue(key, value);
    settings->sync();
}

// Each test starts from empty settings (the test main gives each process its own HOME; the
// clearing keeps the tests independent when they share one process too).
class PresetStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto settings = openUserSettings();
        settings->clear();
        settings->sync();
    }
};

TEST_F(PresetStoreTest, LivesInTheUserSettingsOfTheIdentifier) {
    PresetStore store;
    ASSERT_TRUE(store.save(profile("Studio")));
    const QString expected =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/" + kAppId +
        "/Lumenor.conf";
    EXPECT_TRUE(expected.startsWith(QDir::homePath())) << expected.toStdString();
    EXPECT_EQ(openUserSettings()->fileName(), expected);
    ASSERT_TRUE(QFile::exists(expected));
    QFile file(expected);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("profiles=\"@ByteArray([{")) << text.toStdString();
}

TEST_F(PresetStoreTest, NamesSortIgnoringCaseAndCompareExactly) {
    PresetStore store;
    EXPECT_TRUE(store.allProfiles().empty());
    EXPECT_EQ(store.load("Studio"), std::nullopt);
    for (const char* name : {"beta", "Alpha", "gamma", "Beta 2", "alpha"}) {
        ASSERT_TRUE(store.save(profile(name)));
    }
    EXPECT_EQ(store.names(), (QStringList{"Alpha", "alpha", "beta", "Beta 2", "gamma"}));
    // Saving a name again replaces it, appended after the names equal to it but for case.
    ASSERT_TRUE(store.save(profile("Alpha", 3.5)));
    EXPECT_EQ(store.names(), (QStringList{"alpha", "Alpha", "beta", "Beta 2", "gamma"}));
    EXPECT_EQ(store.load("Alpha")->bouncePeriod, 3.5);
    EXPECT_EQ(store.load("alpha")->bouncePeriod, 1.0);
    EXPECT_EQ(store.load("Alpha "), std::nullopt);

    const QByteArray before = storedBytes();
    ASSERT_TRUE(store.remove("ALPHA"));
    EXPECT_EQ(storedBytes(), before);
    ASSERT_TRUE(store.remove("Alpha"));
    EXPECT_EQ(store.names(), (QStringList{"alpha", "beta", "Beta 2", "gamma"}));
}

TEST_F(PresetStoreTest, ProfilesRoundTripWithAbsentOptionalsLeftOut) {
    PresetStore store;
    const Profile bare = profile("Bare");
    Profile full = profile("Full");
    full.outputDisplayName = QStringLiteral("Studio 27");
    full.pixelWidth = 3840;
    full.pixelHeight = 2160;
    full.refreshHz = 59.94;
    full.slateText = QStringLiteral("Take 1");
    ASSERT_TRUE(store.save(bare));
    const QByteArray bytes = storedBytes();
    for (const char* key :
         {"outputDisplayName", "pixelWidth", "pixelHeight", "refreshHz", "slateText", "null"}) {
        EXPECT_FALSE(bytes.contains(key)) << key << " in " << bytes.toStdString();
    }
    ASSERT_TRUE(store.save(full));
    EXPECT_EQ(store.allProfiles(), (std::vector<Profile>{bare, full}));
}

TEST_F(PresetStoreTest, OneBadElementHidesTheWholeList) {
    storeRaw(PresetStore::kKey,
             QByteArray(R"([{"name":"A","pattern":"grid","aspectRatios":[],"bouncePeriod":1},)"
                        R"({"name":"B","pattern":"grid","aspectRatios":[]}])"));
    PresetStore store;
    EXPECT_TRUE(store.names().isEmpty());
    EXPECT_EQ(store.load("A"), std::nullopt);
}

TEST_F(PresetStoreTest, EveryCallReadsTheSettingsAfresh) {
    PresetStore first;
    PresetStore second;
    ASSERT_TRUE(first.save(profile("One")));
    EXPECT_EQ(second.names(), QStringList{"One"});
    ASSERT_TRUE(second.save(profile("Two")));
    EXPECT_EQ(first.names(), (QStringList{"One", "Two"}));
}

TEST_F(PresetStoreTest, AProfileThatCannotBeEncodedWritesNothing) {
    PresetStore store;
    ASSERT_TRUE(store.save(profile("Kept")));
    const QByteArray before = storedBytes();
    EXPECT_FALSE(store.save(profile("Broken", std::numeric_limits<double>::infinity())));
    Profile nan = profile("Broken");
    nan.refreshHz = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(store.save(nan));
    EXPECT_EQ(storedBytes(), before);
    EXPECT_EQ(store.names(), QStringList{"Kept"});
}

// An unreadable list is kept under a key of its own, logged once, before a save replaces it;
// the same value is never kept twice.
TEST_F(PresetStoreTest, UnreadableACorruptValueSurvivesASave) {
    const QByteArray corrupt = R"([{"name":"Lost","pattern":"grid","aspectRatios":[]}])";
    storeRaw(PresetStore::kKey, corrupt);
    test::LogCapture log;
    PresetStore store;
    ASSERT_TRUE(store.save(profile("New")));
    EXPECT_EQ(store.names(), QStringList{"New"});
    EXPECT_EQ(openUserSettings()->value(PresetStore::kUnreadableKey).toByteArray(), corrupt);
    ASSERT_EQ(test::LogCapture::lines().size(), 1);
    EXPECT_TRUE(test::LogCapture::lines().first().startsWith(QString(kAppId) + ".app: "));
    EXPECT_TRUE(test::LogCapture::lines().first().contains(PresetStore::kUnreadableKey));

    // The list is readable again: a further save copies nothing more.
    ASSERT_TRUE(store.save(profile("Newer")));
    EXPECT_EQ(test::LogCapture::lines().size(), 1);
    // The same corrupt value once more is not copied a second time.
    storeRaw(PresetStore::kKey, corrupt);
    ASSERT_TRUE(store.save(profile("A")));
    EXPECT_FALSE(openUserSettings()->contains(QString(PresetStore::kUnreadableKey) + ".2"));
}

TEST_F(PresetStoreTest, UnreadableALaterValueIsKeptBesideTheFirstAndTextIsKeptToo) {
    storeRaw(PresetStore::kKey, QStringLiteral("hand-edited text"));
    PresetStore store;
    EXPECT_TRUE(store.names().isEmpty());
    ASSERT_TRUE(store.save(profile("A")));
    EXPECT_EQ(store.names(), QStringList{"A"});
    storeRaw(PresetStore::kKey, QByteArray("[1,2,3]"));
    ASSERT_TRUE(store.remove("A"));
    const auto settings = openUserSettings();
    EXPECT_EQ(settings->value(PresetStore::kUnreadableKey).toString(), "hand-edited text");
    EXPECT_EQ(settings->value(QString(PresetStore::kUnreadableKey) + ".2").toByteArray(),
              "[1,2,3]");
    EXPECT_TRUE(store.names().isEmpty());
    EXPECT_EQ(storedBytes(), "[]");
}

// Two savers at once, each with its own settings object as two processes have: neither
// loses the other's profiles.
TEST_F(PresetStoreTest, TwoSaversAtOnceKeepBothSidesProfiles) {
    constexpr int kEach = 40;
    const auto saver = [](const QString& prefix) {
        PresetStore store;
        for (int i = 0; i < kEach; ++i) {
            EXPECT_TRUE(store.save(profile(prefix + QString::number(i))));
        }
    };
    std::thread a(saver, QStringLiteral("a"));
    std::thread b(saver, QStringLiteral("b"));
    a.join();
    b.join();
    EXPECT_EQ(PresetStore().names().size(), 2 * kEach);
}

}  // namespace
}  // namespace lumenor
