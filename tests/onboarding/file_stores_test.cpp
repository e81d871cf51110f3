#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QVariantMap>

#include <sys/stat.h>
#include <unistd.h>

#include "onboarding/agreement_store.h"
#include "onboarding/gates.h"
#include "onboarding/onboarding_store.h"
#include "onboarding/telemetry_controller.h"
#include "onboarding/window_messages.h"
#include "support/process.h"

namespace lumenor {
namespace {

using std::chrono::milliseconds;
using std::chrono::system_clock;

// Each test works in a folder of its own under the temporary home, which the stores make with
// its parents.
class FileStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const QString own = QDir::homePath() + "/stores/" + info->name();
        QDir(own).removeRecursively();
        dir_ = own + "/a/b";
    }
    QString dir_;

    void writeFile(const QString& name, const QByteArray& bytes) {
        QDir().mkpath(dir_);
        QFile f(dir_ + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // Empty when there is no such file.
    QByteArray contents(const QString& name) {
        QFile f(dir_ + "/" + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QJsonObject readObject(const QString& name) {
        return QJsonDocument::fromJson(contents(name)).object();
    }
};

// Counts what the telemetry controller asks of its provider.
struct CallLog {
    int starts = 0;
    int stops = 0;
    QStringList events;
};

class RecordingProvider final : public TelemetryProvider {
  public:
    explicit RecordingProvider(CallLog& log) : log_(log) {}
    void start() override { ++log_.starts; }
    void stop() override { ++log_.stops; }
    void record(const QString& event) override { log_.events.push_back(event); }

  private:
    CallLog& log_;
};

// The moment is cut to whole seconds, toward zero before 1970 as well: -1.5 s gives -1. A
// string version and a whole-number time, or the agreement is shown again.
TEST_F(FileStoreTest, AcceptanceIsSavedInWholeSecondsAndReadBackFromTheFile) {
    ASSERT_FALSE(QFileInfo::exists(dir_));
    FileAgreementStore store(dir_);
    EXPECT_TRUE(QFileInfo(dir_).isDir());
    EXPECT_EQ(store.load(), std::nullopt);
    ASSERT_TRUE(
        store.save(Acceptance::at("1", system_clock::time_point{milliseconds(1700000000999)})));
    EXPECT_EQ(readObject("agreement.json"),
              (QJsonObject{{"version", "1"}, {"acceptedAt", 1700000000}}));
    EXPECT_EQ(Acceptance::at("1", system_clock::time_point{milliseconds(-1500)}).acceptedAt, -1);
    ASSERT_TRUE(store.save({"2", 1800000000}));
    EXPECT_EQ(FileAgreementStore(dir_).load(), (Acceptance{"2", 1800000000}));
    EXPECT_TRUE(EULAGate::needsAcceptance(store.load(), "1"));
    writeFile("agreement.json", R"({"version":"1","acceptedAt":1700000000.0})");
    EXPECT_EQ(store.load(), (Acceptance{"1", 1700000000}));
    // The time is read as the profiles read their whole numbers; fractions and booleans are
    // their tests'.
    for (const QByteArray& bad : {QByteArray(R"({"version":"1","acceptedAt":"1700000000"})"),
                                  QByteArray(R"({"version":"1","acceptedAt":1e300})"),
                                  QByteArray(R"({"version":true,"acceptedAt":1})"),
                                  QByteArray(R"({"version":"1",)"), QByteArray("[]")}) {
        writeFile("agreement.json", bad);
        EXPECT_EQ(store.load(), std::nullopt) << bad.toStdString();
    }
}

// All three keys of their exact types, or the tour runs again. Clearing with no file is
// harmless.
TEST_F(FileStoreTest, TheEndOfTheTourIsStoredAsSuchAndClearingRemovesIt) {
    FileOnboardingStore store(dir_);
    store.clear();
    EXPECT_TRUE(TourGate::shouldAutoStart(store.load()));
    for (const char* bad : {R"({"version":"1","completed":0,"skipped":true})",
                            R"({"version":"1","completed":false,"skipped":"true"})",
                            R"({"version":1,"completed":false,"skipped":false})"}) {
        writeFile("onboarding.json", bad);
        EXPECT_TRUE(TourGate::shouldAutoStart(store.load())) << bad;
    }
    for (const bool skipped : {true, false}) {
        ASSERT_TRUE(store.save(TourGate::recordForTourEnd(skipped)));
        EXPECT_EQ(readObject("onboarding.json"),
                  (QJsonObject{{"version", "1"}, {"completed", !skipped}, {"skipped", skipped}}));
    }
    EXPECT_EQ(FileOnboardingStore(dir_).load(), (OnboardingRecord{"1", true, false}));
    store.clear();
    EXPECT_FALSE(QFileInfo::exists(store.filePath()));
}

// A plain file where the folder should be, or a folder where the file should be: nothing
// saves and nothing loads. A telemetry choice that cannot be saved still moves the provider,
// but sends nothing.
TEST_F(FileStoreTest, AFolderThatCannotBeMadeOrIsInPlaceOfTheFileFailsQuietly) {
    writeFile("blocker", "x");
    FileAgreementStore blocked(dir_ + "/blocker/inner");
    EXPECT_FALSE(blocked.save({"1", 1}));
    EXPECT_EQ(blocked.load(), std::nullopt);
    CallLog calls;
    TelemetryController telemetry(std::make_unique<FileTelemetryStore>(dir_ + "/blocker/inner"),
                                  std::make_unique<RecordingProvider>(calls));
    telemetry.setEnabled(true);
    EXPECT_EQ(calls.starts, 1);
    EXPECT_TRUE(telemetry.started());
    EXPECT_FALSE(telemetry.isEnabled());
    telemetry.record("tour_completed");
    EXPECT_TRUE(calls.events.isEmpty());

    QDir().mkpath(dir_ + "/agreement.json");
    FileAgreementStore store(dir_);
    EXPECT_EQ(store.load(), std::nullopt);
    EXPECT_FALSE(store.save({"1", 1}));
}

TEST_F(FileStoreTest, AWriteIntoAReadOnlyFolderFailsQuietlyAndKeepsTheOldFile) {
    ASSERT_TRUE(FileAgreementStore(dir_).save({"old", 1}));
    // Let the writer reach the folder, then take its write permission away.
    for (QString p = dir_; p.startsWith(QDir::homePath()); p = QFileInfo(p).path()) {
        ASSERT_EQ(::chmod(QFile::encodeName(p).constData(), 0755), 0);
    }
    ASSERT_EQ(::chmod(QFile::encodeName(dir_).constData(), 0555), 0);
    // As an unprivileged user when this test runs as root, who writes anywhere.
    const QStringList asNobody = ::geteuid() == 0 ? QStringList{"--as-nobody"} : QStringList{};
    const test::ProcessResult r =
        test::runProcess(RECORD_WRITER, QStringList{dir_, "save", "new"} + asNobody);
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
    for (int round = 0; round < 25; ++round) {
        QProcess writer;
        writer.start(RECORD_WRITER, {dir_, "loop"});
        ASSERT_TRUE(writer.waitForStarted(10000));
        // Timed from its first save rather than its start, which a busy machine may stretch
        // past any delay chosen here.
        ASSERT_TRUE(writer.waitForReadyRead(10000)) << "the writer saved nothing";
        QThread::msleep(QRandomGenerator::global()->bounded(0, 40));
        writer.kill();
        ASSERT_TRUE(writer.waitForFinished(10000));
        ASSERT_EQ(writer.exitStatus(), QProcess::CrashExit) << "the writer ended by itself";

        const std::optional<Acceptance> loaded = FileAgreementStore(dir_).load();
        ASSERT_TRUE(loaded.has_value()) << "a torn or empty file after round " << round;
        ASSERT_TRUE(loaded->version == a || loaded->version == b)
            << "a mixed or an older record after round " << round;
    }
}

// Switching saves the choice and starts or stops the provider once, whatever was stored
// before; a start at launch follows the stored choice. Nothing is sent on a fresh installation;
// afterwards the stored choice, read at every call, decides, even when it changed behind the
// controller's back. The file holds a boolean; anything else reads as off.
TEST_F(FileStoreTest, TelemetryFollowsTheStoredChoice) {
    CallLog calls;
    TelemetryController c(std::make_unique<FileTelemetryStore>(dir_),
                          std::make_unique<RecordingProvider>(calls));
    const QByteArray on = R"({"enabled":true})";
    const QByteArray off = R"({"enabled":false})";
    const auto expect = [&](const char* step, const QByteArray& stored, int starts, int stops) {
        SCOPED_TRACE(step);
        EXPECT_EQ(contents("telemetry.json"), stored);
        EXPECT_EQ(c.started(), starts > stops);
        EXPECT_EQ(calls.starts, starts);
        EXPECT_EQ(calls.stops, stops);
    };
    c.startIfEnabled();
    c.record("tour_skipped");
    expect("fresh", {}, 0, 0);
    c.setEnabled(false);
    expect("switched off", off, 0, 0);
    c.startIfEnabled();
    expect("started off", off, 0, 0);
    QFile::remove(dir_ + "/telemetry.json");
    c.setEnabled(true);
    c.record("tour_completed");
    expect("switched on", on, 1, 0);
    c.setEnabled(true);
    c.startIfEnabled();
    expect("on again", on, 1, 0);
    writeFile("telemetry.json", R"({"enabled": "yes"})");
    EXPECT_FALSE(c.isEnabled());
    EXPECT_EQ(FileTelemetryStore(dir_).load(), std::nullopt);
    c.setEnabled(false);
    c.record("tour_skipped");
    expect("off again", off, 1, 1);
    writeFile("telemetry.json", on);
    c.record("tour_skipped");
    c.startIfEnabled();
    expect("stored on", on, 2, 1);
    EXPECT_EQ(calls.events, (QStringList{"tour_completed", "tour_skipped"}));
}

// What the agreement and preferences pages post, and the script that tells the second its state.
QVariantMap action(const QVariant& name) {
    return {{QStringLiteral("action"), name}};
}

TEST(EulaMessages, ThreeActionsOnTheirOwnHandler) {
    EXPECT_EQ(parseEulaMessage("qvEula", action("agree")), EulaAction::agree);
    EXPECT_EQ(parseEulaMessage("qvEula", action("quit")), EulaAction::quit);
    EXPECT_EQ(parseEulaMessage("qvEula", action("close")), EulaAction::close);
    EXPECT_FALSE(parseEulaMessage("qvEula", action("Agree")));
    EXPECT_FALSE(parseEulaMessage("qvEula", action(1)));
    EXPECT_FALSE(parseEulaMessage("qvEula", QVariantMap{}));
    EXPECT_FALSE(parseEulaMessage("qvEula", QString("agree")));
    EXPECT_FALSE(parseEulaMessage("qvPrefs", action("agree")));
}

TEST(PrefsMessages, TelemetryIsOnOnlyForBooleanTrue) {
    auto telemetry = [](const QVariant& value) {
        QVariantMap body = action("setTelemetry");
        body.insert("value", value);
        const std::optional<PrefsRequest> r = parsePrefsMessage("qvPrefs", body);
        EXPECT_TRUE(r && r->kind == PrefsRequest::Kind::setTelemetry);
        return r && r->value;
    };
    EXPECT_TRUE(telemetry(true));
    EXPECT_FALSE(telemetry(false));
    EXPECT_FALSE(telemetry(1));

    QVariantMap updates = action("setAutomaticUpdates");
    updates.insert("value", true);
    const std::optional<PrefsRequest> on = parsePrefsMessage("qvPrefs", updates);
    ASSERT_TRUE(on);
    EXPECT_EQ(on->kind, PrefsRequest::Kind::setAutomaticUpdates);
    EXPECT_TRUE(on->value);

    const std::optional<PrefsRequest> replay =
        parsePrefsMessage("qvPrefs", action("replayTutorial"));
    ASSERT_TRUE(replay);
    EXPECT_EQ(replay->kind, PrefsRequest::Kind::replayTutorial);
    EXPECT_FALSE(parsePrefsMessage("qvPrefs", action("reset")));
    EXPECT_FALSE(parsePrefsMessage("qvEula", action("replayTutorial")));
}

// The telemetry script is proven in the preferences window; the window tests show no updates
// switch.
TEST(PrefsMessages, UpdatesInitScriptTextIsExact) {
    EXPECT_EQ(updatesInitScript(true),
              "window.__qvUpdatesInit && window.__qvUpdatesInit({automatic:true});");
}

}  // namespace
}  // namespace lumenor
