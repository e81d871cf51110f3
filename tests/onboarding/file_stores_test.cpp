#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

#include "onboarding/agreement_store.h"
#include "onboarding/gates.h"
#include "onboarding/onboarding_store.h"
#include "support/process.h"

namespace lumenor {
namespace {

// Each test works in a folder of its own under the temporary home.
class FileStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = QDir::homePath() + "/stores/" + info->name();
        QDir(dir_).removeRecursively();
    }
    QString dir_;

    void writeFile(const QString& name, const QByteArray& bytes) {
        QDir().mkpath(dir_);
        QFile f(dir_ + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QJsonObject readObject(const QString& name) {
        QFile f(dir_ + "/" + name);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        return QJsonDocument::fromJson(f.readAll()).object();
    }
};

TEST_F(FileStoreTest, TheFolderIsCreatedWithItsParentsAndNoFileMeansNoRecord) {
    const QString deep = dir_ + "/a/b/c";
    ASSERT_FALSE(QFileInfo::exists(dir_));
    FileAgreementStore agreements(deep);
    EXPECT_TRUE(QFileInfo(deep).isDir());
    FileOnboardingStore onboarding(deep + "/d");
    EXPECT_TRUE(QFileInfo(deep + "/d").isDir());
    EXPECT_FALSE(QFileInfo::exists(agreements.filePath()));
    EXPECT_EQ(agreements.load(), std::nullopt);
    EXPECT_EQ(onboarding.load(), std::nullopt);
}

TEST_F(FileStoreTest, AcceptanceIsSavedAndReadBackFromTheFile) {
    FileAgreementStore store(dir_);
    ASSERT_TRUE(store.save({"1", 1700000000}));
    EXPECT_EQ(readObject("agreement.json"),
              (QJsonObject{{"version", "1"}, {"acceptedAt", 1700000000}}));
    EXPECT_FALSE(EULAGate::needsAcceptance(FileAgreementStore(dir_).load(), "1"));
    ASSERT_TRUE(store.save({"2", 1800000000}));
    EXPECT_EQ(FileAgreementStore(dir_).load(), (Acceptance{"2", 1800000000}));
    EXPECT_TRUE(EULAGate::needsAcceptance(store.load(), "1"));
    writeFile("agreement.json", R"({"version":"1","acceptedAt":1700000000.0})");
    EXPECT_EQ(store.load(), (Acceptance{"1", 1700000000}));
}

// A string version and a whole-number time, or the agreement is shown again.
TEST_F(FileStoreTest, AnUnreadableAgreementFileShowsTheAgreementAgain) {
    FileAgreementStore store(dir_);
    for (const QByteArray& bad :
         {QByteArray(R"({"version":"1","acceptedAt":1700000000.25})"),
          QByteArray(R"({"version":"1","acceptedAt":"1700000000"})"),
          QByteArray(R"({"version":"1","acceptedAt":true})"),
          QByteArray(R"({"version":"1","acceptedAt":null})"),
          QByteArray(R"({"version":"1","acceptedAt":1e300})"), QByteArray(R"({"version":"1"})"),
          QByteArray(R"({"acceptedAt":1})"), QByteArray(R"({"version":true,"acceptedAt":1})"),
          QByteArray(R"({"version":"1","acceptedAt":17000)"), QByteArray(R"({"version":"1",)"),
          QByteArray(), QByteArray("[]"), QByteArray("\xff\xfe")}) {
        writeFile("agreement.json", bad);
        EXPECT_EQ(store.load(), std::nullopt) << bad.toStdString();
        EXPECT_TRUE(EULAGate::needsAcceptance(store.load(), kAgreementVersion));
    }
}

// All three keys of their exact types, or the tour runs again.
TEST_F(FileStoreTest, ATourRecordWithAMissingKeyOrWrongTypeLetsTheTourRun) {
    FileOnboardingStore store(dir_);
    for (const char* bad :
         {R"({"version":"1","completed":"no","skipped":false})",
          R"({"version":"1","completed":false,"skipped":"true"})",
          R"({"version":"1","completed":0,"skipped":true})", R"({"version":"1","completed":false})",
          R"({"version":1,"completed":false,"skipped":false})",
          R"({"completed":false,"skipped":false})"}) {
        writeFile("onboarding.json", bad);
        EXPECT_TRUE(TourGate::shouldAutoStart(store.load())) << bad;
    }
    writeFile("onboarding.json", R"({"version":"1","completed":false,"skipped":false})");
    EXPECT_FALSE(TourGate::shouldAutoStart(store.load()));
}

// Clearing with no file is harmless.
TEST_F(FileStoreTest, TheEndOfTheTourIsStoredAsSuchAndClearingRemovesIt) {
    FileOnboardingStore store(dir_);
    store.clear();
    for (const bool skipped : {true, false}) {
        ASSERT_TRUE(store.save(TourGate::recordForTourEnd(skipped)));
        EXPECT_EQ(readObject("onboarding.json"),
                  (QJsonObject{{"version", "1"}, {"completed", !skipped}, {"skipped", skipped}}));
    }
    EXPECT_EQ(FileOnboardingStore(dir_).load(), (OnboardingRecord{"1", true, false}));
    EXPECT_FALSE(TourGate::shouldAutoStart(store.load()));
    store.clear();
    EXPECT_FALSE(QFileInfo::exists(store.filePath()));
    EXPECT_TRUE(TourGate::shouldAutoStart(store.load()));
}

// A plain file where the folder should be, or a folder where the file should be: nothing
// saves and nothing loads.
TEST_F(FileStoreTest, AFolderThatCannotBeMadeOrIsInPlaceOfTheFileFailsQuietly) {
    writeFile("blocker", "x");
    FileAgreementStore blocked(dir_ + "/blocker/inner");
    EXPECT_FALSE(blocked.save({"1", 1}));
    EXPECT_EQ(blocked.load(), std::nullopt);

    QDir().mkpath(dir_ + "/agreement.json");
    FileAgreementStore store(dir_);
    EXPECT_EQ(store.load(), std::nullopt);
    EXPECT_FALSE(store.save({"1", 1}));
}

// Runs the writer, as an unprivileged user when this test runs as root (root writes anywhere).
test::ProcessResult saveAsAnotherProcess(const QString& dir, const QString& version) {
    QStringList args{dir, "save", version};
    if (::geteuid() == 0) {
        args << "--as-nobody";
    }
    return test::runProcess(RECORD_WRITER, args);
}

TEST_F(FileStoreTest, AWriteIntoAReadOnlyFolderFailsQuietlyAndKeepsTheOldFile) {
    ASSERT_TRUE(FileAgreementStore(dir_).save({"old", 1}));
    // Let the writer reach the folder, then take its write permission away.
    for (QString p = dir_; p.startsWith(QDir::homePath()); p = QFileInfo(p).path()) {
        ASSERT_EQ(::chmod(QFile::encodeName(p).constData(), 0755), 0);
    }
    ASSERT_EQ(::chmod(QFile::encodeName(dir_).constData(), 0555), 0);
    const test::ProcessResult r = saveAsAnotherProcess(dir_, "new");
    ::chmod(QFile::encodeName(dir_).constData(), 0755);
    if (r.exitCode == 3) {
        GTEST_SKIP() << "cannot drop root to user 65534 here, so no folder is read-only: "
                     << r.err.toStdString();
    }
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "not saved\nold\n");
    EXPECT_EQ(FileAgreementStore(dir_).load(), (Acceptance{"old", 1}));
}

TEST_F(FileStoreTest, AKillInTheMiddleOfASaveLeavesTheOldOrTheNewFile) {
    ASSERT_TRUE(FileAgreementStore(dir_).save({"old", 0}));
    const QString a(512 * 1024, 'A');
    const QString b(512 * 1024, 'B');
    int replaced = 0;
    for (int round = 0; round < 25; ++round) {
        QProcess writer;
        writer.start(RECORD_WRITER, {dir_, "loop"});
        ASSERT_TRUE(writer.waitForStarted(10000));
        QThread::msleep(QRandomGenerator::global()->bounded(5, 80));
        writer.kill();
        ASSERT_TRUE(writer.waitForFinished(10000));
        ASSERT_EQ(writer.exitStatus(), QProcess::CrashExit) << "the writer ended by itself";

        const std::optional<Acceptance> loaded = FileAgreementStore(dir_).load();
        ASSERT_TRUE(loaded.has_value()) << "a torn or empty file after round " << round;
        const bool known = loaded->version == "old" || loaded->version == a || loaded->version == b;
        ASSERT_TRUE(known) << "a mixed record after round " << round;
        replaced += loaded->version != "old" ? 1 : 0;
    }
    // The writer must have had time to replace the file, or the rounds showed nothing.
    EXPECT_GT(replaced, 0);
}

}  // namespace
}  // namespace lumenor
