#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>

#include <ostream>

#include "onboarding/telemetry_controller.h"

namespace lumenor {
namespace {

// Counts what the controller asks of its provider.
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

// A store whose every save fails, keeping what it held.
class FailingStore final : public TelemetryStore {
  public:
    std::optional<TelemetrySettings> held;
    std::optional<TelemetrySettings> load() const override { return held; }
    bool save(const TelemetrySettings&) override { return false; }
};

struct Harness {
    CallLog calls;
    InMemoryTelemetryStore* store = nullptr;
    std::unique_ptr<TelemetryController> controller;

    explicit Harness(std::optional<bool> stored, bool started) {
        auto s = std::make_unique<InMemoryTelemetryStore>();
        if (stored) {
            s->settings = TelemetrySettings{*stored};
        }
        store = s.get();
        controller = std::make_unique<TelemetryController>(
            std::move(s), std::make_unique<RecordingProvider>(calls));
        if (started) {
            controller->startIfEnabled();
            calls = {};
        }
    }
};

enum class Action { startIfEnabled, enable, disable };

// One cell of the state table: the state before, the action, and what it leaves.
struct Row {
    const char* name;
    std::optional<bool> stored;
    bool started;
    Action action;
    std::optional<bool> storedAfter;
    bool startedAfter;
    int starts;
    int stops;
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

class TelemetryStateTable : public ::testing::TestWithParam<Row> {};

TEST_P(TelemetryStateTable, Row) {
    const Row& row = GetParam();
    Harness h(row.stored, row.started);
    ASSERT_EQ(h.controller->started(), row.started);
    switch (row.action) {
        case Action::startIfEnabled:
            h.controller->startIfEnabled();
            break;
        case Action::enable:
            h.controller->setEnabled(true);
            break;
        case Action::disable:
            h.controller->setEnabled(false);
            break;
    }
    const std::optional<bool> storedAfter =
        h.store->settings ? std::optional<bool>(h.store->settings->enabled) : std::nullopt;
    EXPECT_EQ(storedAfter, row.storedAfter);
    EXPECT_EQ(h.controller->started(), row.startedAfter);
    EXPECT_EQ(h.calls.starts, row.starts);
    EXPECT_EQ(h.calls.stops, row.stops);
    EXPECT_TRUE(h.calls.events.isEmpty());
}

// Rows: none / false / true-not-started / true-started; columns: startIfEnabled(),
// setEnabled(true), setEnabled(false).
INSTANTIATE_TEST_SUITE_P(
    Rows, TelemetryStateTable,
    ::testing::Values(
        Row{"NoneStartIfEnabled", std::nullopt, false, Action::startIfEnabled, std::nullopt, false,
            0, 0},
        Row{"NoneEnable", std::nullopt, false, Action::enable, true, true, 1, 0},
        Row{"NoneDisable", std::nullopt, false, Action::disable, false, false, 0, 0},
        Row{"FalseStartIfEnabled", false, false, Action::startIfEnabled, false, false, 0, 0},
        Row{"FalseEnable", false, false, Action::enable, true, true, 1, 0},
        Row{"FalseDisable", false, false, Action::disable, false, false, 0, 0},
        Row{"TrueNotStartedStartIfEnabled", true, false, Action::startIfEnabled, true, true, 1, 0},
        Row{"TrueNotStartedEnable", true, false, Action::enable, true, true, 1, 0},
        Row{"TrueNotStartedDisable", true, false, Action::disable, false, false, 0, 0},
        Row{"TrueStartedStartIfEnabled", true, true, Action::startIfEnabled, true, true, 0, 0},
        Row{"TrueStartedEnable", true, true, Action::enable, true, true, 0, 0},
        Row{"TrueStartedDisable", true, true, Action::disable, false, false, 0, 1}),
    [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

TEST(Telemetry, FreshInstallationSendsNothing) {
    Harness h(std::nullopt, false);
    EXPECT_FALSE(h.controller->isEnabled());
    h.controller->startIfEnabled();
    h.controller->record("tour_completed");
    EXPECT_EQ(h.calls.starts, 0);
    EXPECT_TRUE(h.calls.events.isEmpty());
}

TEST(Telemetry, EventsFollowTheStoredChoiceReadAtEveryCall) {
    Harness h(std::nullopt, false);
    h.controller->setEnabled(true);
    h.controller->record("tour_completed");
    h.controller->setEnabled(false);
    h.controller->record("tour_skipped");
    EXPECT_EQ(h.calls.events, QStringList{"tour_completed"});
    // The choice changed behind the controller's back counts at once.
    h.store->settings = TelemetrySettings{true};
    EXPECT_TRUE(h.controller->isEnabled());
    h.controller->record("tour_skipped");
    EXPECT_EQ(h.calls.events, (QStringList{"tour_completed", "tour_skipped"}));
}

TEST(Telemetry, AFailedSaveStillMovesTheProvider) {
    CallLog calls;
    auto store = std::make_unique<FailingStore>();
    FailingStore* raw = store.get();
    TelemetryController controller(std::move(store), std::make_unique<RecordingProvider>(calls));
    controller.setEnabled(true);
    EXPECT_TRUE(controller.started());
    EXPECT_EQ(calls.starts, 1);
    EXPECT_EQ(raw->held, std::nullopt);
    EXPECT_FALSE(controller.isEnabled());
    controller.record("tour_completed");
    EXPECT_TRUE(calls.events.isEmpty());
}

class TelemetryFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = QDir::homePath() + "/telemetry/" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        QDir(dir_).removeRecursively();
    }
    QByteArray file() const {
        QFile f(dir_ + "/telemetry.json");
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString dir_;
};

TEST_F(TelemetryFile, EnablingTwiceStartsOnceAndStoresTrue) {
    CallLog calls;
    TelemetryController c(std::make_unique<FileTelemetryStore>(dir_),
                          std::make_unique<RecordingProvider>(calls));
    c.setEnabled(true);
    c.setEnabled(true);
    EXPECT_EQ(calls.starts, 1);
    EXPECT_EQ(file(), R"({"enabled":true})");
    EXPECT_TRUE(c.isEnabled());
}

TEST_F(TelemetryFile, DisablingWhenNeverStartedStoresFalseAndStopsNothing) {
    CallLog calls;
    TelemetryController c(std::make_unique<FileTelemetryStore>(dir_),
                          std::make_unique<RecordingProvider>(calls));
    c.setEnabled(false);
    EXPECT_EQ(file(), R"({"enabled":false})");
    EXPECT_EQ(calls.stops, 0);
}

TEST_F(TelemetryFile, AStringForEnabledReadsAsOff) {
    QDir().mkpath(dir_);
    QFile f(dir_ + "/telemetry.json");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"({"enabled": "yes"})");
    f.close();
    CallLog calls;
    TelemetryController c(std::make_unique<FileTelemetryStore>(dir_),
                          std::make_unique<RecordingProvider>(calls));
    EXPECT_FALSE(c.isEnabled());
    c.startIfEnabled();
    EXPECT_EQ(calls.starts, 0);
    EXPECT_EQ(FileTelemetryStore(dir_).load(), std::nullopt);
}

TEST(Telemetry, TheInstalledProviderDoesNothingObservable) {
    InMemoryTelemetryStore* store = nullptr;
    auto s = std::make_unique<InMemoryTelemetryStore>();
    store = s.get();
    TelemetryController c(std::move(s), std::make_unique<NoopTelemetryProvider>());
    c.setEnabled(true);
    c.record("tour_completed");
    c.setEnabled(false);
    EXPECT_FALSE(c.started());
    ASSERT_TRUE(store->settings.has_value());
    EXPECT_FALSE(store->settings->enabled);
}

}  // namespace
}  // namespace lumenor
