#include <gtest/gtest.h>

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

TEST_F(PresetStoreTest, NamesSortIgnoringCaseAndCompareExactly) {
    PresetStore store;
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

// An unreadable value is kept under a key of its own, logged once, before a save or a removal
// replaces it; a later one is kept beside it, and the same value is never kept twice.
TEST_F(PresetStoreTest, UnreadableValuesSurviveTheWritesThatReplaceThem) {
    storeRaw(PresetStore::kKey, QStringLiteral("hand-edited text"));
    test::LogCapture log;
    PresetStore store;
    ASSERT_TRUE(store.save(profile("New")));
    EXPECT_EQ(store.names(), QStringList{"New"});
    ASSERT_EQ(test::LogCapture::lines().size(), 1);
    EXPECT_TRUE(test::LogCapture::lines().first().startsWith(QString(kAppId) + ".app: "));
    EXPECT_TRUE(test::LogCapture::lines().first().contains(PresetStore::kUnreadableKey));
    // The list is readable again: a further save copies nothing more.
    ASSERT_TRUE(store.save(profile("Newer")));
    EXPECT_EQ(test::LogCapture::lines().size(), 1);

    // One bad element makes the whole list unreadable: the good one beside it goes too.
    const QByteArray corrupt = R"([{"name":"Lost","pattern":"grid","aspectRatios":[],)"
                               R"("bouncePeriod":1},{"name":"B","pattern":"grid"}])";
    storeRaw(PresetStore::kKey, corrupt);
    ASSERT_TRUE(store.remove("New"));
    EXPECT_EQ(storedBytes(), "[]");
    storeRaw(PresetStore::kKey, corrupt);
    ASSERT_TRUE(store.save(profile("A")));
    EXPECT_EQ(store.names(), QStringList{"A"});
    const auto settings = openUserSettings();
    const QString key = PresetStore::kUnreadableKey;
    EXPECT_EQ(settings->value(key).toString(), "hand-edited text");
    EXPECT_EQ(settings->value(key + ".2").toByteArray(), corrupt);
    EXPECT_FALSE(settings->contains(key + ".3"));
}

// Two savers at once, each with its own settings object as two processes have: neither
// loses the other's profiles, and a third store, made before them, reads all of them.
TEST_F(PresetStoreTest, TwoSaversAtOnceKeepBothSidesProfiles) {
    PresetStore observer;
    EXPECT_TRUE(observer.names().isEmpty());
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
    EXPECT_EQ(observer.names().size(), 2 * kEach);
}

}  // namespace
}  // namespace lumenor
