#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

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
    std::optional<TelemetrySettings> load() const override { return std::nullopt; }
    bool save(const TelemetrySettings&) override { return false; }
};

enum class Action { startIfEnabled, enable, disable };

// Each action from no stored choice and from one on and started, and a start from a choice stored
// off or on (switching on or off does not read the stored choice): the choice stored after it,
// whether the provider runs, and how often it was started and stopped.
TEST(Telemetry, StateTable) {
    struct Row {
        std::optional<bool> stored;
        bool started;
        Action action;
        std::optional<bool> storedAfter;
        bool startedAfter;
        int starts;
        int stops;
    };
    const Row rows[] = {
        {std::nullopt, false, Action::startIfEnabled, std::nullopt, false, 0, 0},
        {std::nullopt, false, Action::enable, true, true, 1, 0},
        {std::nullopt, false, Action::disable, false, false, 0, 0},
        {false, false, Action::startIfEnabled, false, false, 0, 0},
        {true, false, Action::startIfEnabled, true, true, 1, 0},
        {true, true, Action::startIfEnabled, true, true, 0, 0},
        {true, true, Action::enable, true, true, 0, 0},
        {true, true, Action::disable, false, false, 0, 1},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(testing::Message() << "row " << i);
        const Row& row = rows[i];
        CallLog calls;
        auto owned = std::make_unique<InMemoryTelemetryStore>();
        InMemoryTelemetryStore& store = *owned;
        if (row.stored) {
            store.settings = TelemetrySettings{*row.stored};
        }
        TelemetryController c(std::move(owned), std::make_unique<RecordingProvider>(calls));
        if (row.started) {
            c.startIfEnabled();
            calls = {};
        }
        ASSERT_EQ(c.started(), row.started);
        if (row.action == Action::startIfEnabled) {
            c.startIfEnabled();
        } else {
            c.setEnabled(row.action == Action::enable);
        }
        EXPECT_EQ(store.settings ? std::optional(store.settings->enabled) : std::nullopt,
                  row.storedAfter);
        EXPECT_EQ(c.started(), row.startedAfter);
        EXPECT_EQ(calls.starts, row.starts);
        EXPECT_EQ(calls.stops, row.stops);
        EXPECT_TRUE(calls.events.isEmpty());
    }
}

// Nothing is sent on a fresh installation; afterwards the stored choice, read at every call,
// decides, even when it changed behind the controller's back.
TEST(Telemetry, EventsFollowTheStoredChoiceReadAtEveryCall) {
    CallLog calls;
    auto owned = std::make_unique<InMemoryTelemetryStore>();
    InMemoryTelemetryStore& store = *owned;
    TelemetryController c(std::move(owned), std::make_unique<RecordingProvider>(calls));
    c.record("tour_skipped");
    c.setEnabled(true);
    c.record("tour_completed");
    c.setEnabled(false);
    c.record("tour_skipped");
    EXPECT_EQ(calls.events, QStringList{"tour_completed"});
    store.settings = TelemetrySettings{true};
    EXPECT_TRUE(c.isEnabled());
    c.record("tour_skipped");
    EXPECT_EQ(calls.events, (QStringList{"tour_completed", "tour_skipped"}));
}

TEST(Telemetry, AFailedSaveStillMovesTheProviderButSendsNothing) {
    CallLog calls;
    TelemetryController c(std::make_unique<FailingStore>(),
                          std::make_unique<RecordingProvider>(calls));
    c.setEnabled(true);
    EXPECT_TRUE(c.started());
    EXPECT_EQ(calls.starts, 1);
    EXPECT_FALSE(c.isEnabled());
    c.record("tour_completed");
    EXPECT_TRUE(calls.events.isEmpty());
}

TEST(Telemetry, TheFileHoldsABooleanAndAnythingElseReadsAsOff) {
    const QString dir = QDir::homePath() + "/telemetry";
    QDir(dir).removeRecursively();
    auto contents = [&] {
        QFile f(dir + "/telemetry.json");
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    CallLog calls;
    TelemetryController c(std::make_unique<FileTelemetryStore>(dir),
                          std::make_unique<RecordingProvider>(calls));
    c.setEnabled(false);
    EXPECT_EQ(contents(), R"({"enabled":false})");
    c.setEnabled(true);
    c.setEnabled(true);
    EXPECT_EQ(calls.starts, 1);
    EXPECT_EQ(contents(), R"({"enabled":true})");
    EXPECT_TRUE(c.isEnabled());

    QFile f(dir + "/telemetry.json");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"({"enabled": "yes"})");
    f.close();
    EXPECT_FALSE(c.isEnabled());
    EXPECT_EQ(FileTelemetryStore(dir).load(), std::nullopt);
}

}  // namespace
}  // namespace lumenor
