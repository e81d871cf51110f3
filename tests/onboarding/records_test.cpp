#include <gtest/gtest.h>

#include <QJsonDocument>

#include <memory>

#include "onboarding/acceptance.h"
#include "onboarding/agreement_store.h"
#include "onboarding/gates.h"
#include "onboarding/onboarding_record.h"
#include "onboarding/onboarding_store.h"

namespace lumenor {
namespace {

using std::chrono::milliseconds;
using std::chrono::system_clock;

QJsonObject object(const char* json) {
    return QJsonDocument::fromJson(QByteArray(json)).object();
}

TEST(AgreementGate, NeedsAcceptanceExactlyWhenNothingOrAnotherVersionIsStored) {
    EXPECT_TRUE(EULAGate::needsAcceptance(std::nullopt, kAgreementVersion));
    EXPECT_FALSE(EULAGate::needsAcceptance(Acceptance{"1", 0}, "1"));
    EXPECT_FALSE(EULAGate::needsAcceptance(Acceptance{"1", 1700000000}, "1"));
    EXPECT_FALSE(EULAGate::needsAcceptance(Acceptance{"1", -5}, "1"));
    for (const char* other : {"1.0", "2", "", " 1", "01"}) {
        EXPECT_TRUE(EULAGate::needsAcceptance(Acceptance{other, 1700000000}, "1")) << other;
    }
    EXPECT_FALSE(EULAGate::needsAcceptance(Acceptance{"2", 0}, "2"));
    EXPECT_STREQ(kAgreementVersion, "1");
}

TEST(TourGateTest, StartsExactlyWhenNoRecordIsStored) {
    EXPECT_TRUE(TourGate::shouldAutoStart(std::nullopt));
    EXPECT_FALSE(TourGate::shouldAutoStart(OnboardingRecord{"1", false, false}));
    EXPECT_FALSE(TourGate::shouldAutoStart(OnboardingRecord{"1", true, false}));
    EXPECT_FALSE(TourGate::shouldAutoStart(OnboardingRecord{"1", false, true}));
    EXPECT_FALSE(TourGate::shouldAutoStart(OnboardingRecord{"0", false, false}));
}

TEST(TourGateTest, TheEndOfTheTourBecomesARecordAndAnEvent) {
    EXPECT_EQ(TourGate::recordForTourEnd(true), (OnboardingRecord{"1", false, true}));
    EXPECT_EQ(TourGate::recordForTourEnd(false), (OnboardingRecord{"1", true, false}));
    EXPECT_EQ(TourGate::telemetryEventForTourEnd(true), "tour_skipped");
    EXPECT_EQ(TourGate::telemetryEventForTourEnd(false), "tour_completed");
}

TEST(TourGateTest, ClearingTheStoreStartsTheTourAgain) {
    const auto store = std::make_unique<InMemoryOnboardingStore>();
    EXPECT_TRUE(TourGate::shouldAutoStart(store->load()));
    store->save(TourGate::recordForTourEnd(true));
    EXPECT_FALSE(TourGate::shouldAutoStart(store->load()));
    store->clear();
    EXPECT_EQ(store->load(), std::nullopt);
    EXPECT_TRUE(TourGate::shouldAutoStart(store->load()));
}

TEST(AcceptanceRecord, TheMomentIsCutToWholeSeconds) {
    const system_clock::time_point when{milliseconds(1700000000999)};
    EXPECT_EQ(Acceptance::at("1", when), (Acceptance{"1", 1700000000}));
    EXPECT_EQ(Acceptance::at("1", system_clock::time_point{milliseconds(1500)}).acceptedAt, 1);
    // Toward zero before 1970 as well: -1.5 s gives -1, not -2.
    EXPECT_EQ(Acceptance::at("1", system_clock::time_point{milliseconds(-1500)}).acceptedAt, -1);
    const auto now = system_clock::now();
    const std::int64_t seconds =
        std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
    EXPECT_EQ(Acceptance::at("1", now).acceptedAt, seconds);
}

TEST(AcceptanceRecord, JsonNeedsAStringVersionAndAWholeNumberTime) {
    EXPECT_EQ(Acceptance::fromJson(object(R"({"version":"1","acceptedAt":1700000000})")),
              (Acceptance{"1", 1700000000}));
    EXPECT_EQ(Acceptance::fromJson(Acceptance{"2", 42}.toJson()), (Acceptance{"2", 42}));
    EXPECT_EQ(Acceptance::fromJson(object(R"({"version":"1","acceptedAt":1700000000.0})")),
              (Acceptance{"1", 1700000000}));
    for (const char* bad :
         {R"({"version":"1","acceptedAt":1700000000.5})",
          R"({"version":"1","acceptedAt":"1700000000"})", R"({"version":"1","acceptedAt":true})",
          R"({"version":"1","acceptedAt":null})", R"({"version":"1"})", R"({"acceptedAt":1})",
          R"({"version":1,"acceptedAt":1})", R"({"version":"1","acceptedAt":1e300})"}) {
        EXPECT_EQ(Acceptance::fromJson(object(bad)), std::nullopt) << bad;
    }
}

TEST(OnboardingRecordJson, AllThreeKeysOfTheirExactTypes) {
    EXPECT_EQ(
        OnboardingRecord::fromJson(object(R"({"version":"1","completed":false,"skipped":true})")),
        (OnboardingRecord{"1", false, true}));
    const OnboardingRecord r{"1", true, false};
    EXPECT_EQ(OnboardingRecord::fromJson(r.toJson()), r);
    for (const char* bad : {R"({"version":"1","completed":0,"skipped":true})",
                            R"({"version":"1","completed":false,"skipped":"true"})",
                            R"({"version":"1","completed":false})",
                            R"({"version":1,"completed":false,"skipped":false})",
                            R"({"completed":false,"skipped":false})"}) {
        EXPECT_EQ(OnboardingRecord::fromJson(object(bad)), std::nullopt) << bad;
    }
}

TEST(InMemoryStores, HoldWhatWasLastSaved) {
    InMemoryAgreementStore agreements;
    EXPECT_EQ(agreements.load(), std::nullopt);
    EXPECT_TRUE(agreements.save({"1", 10}));
    EXPECT_TRUE(agreements.save({"2", 20}));
    EXPECT_EQ(agreements.load(), (Acceptance{"2", 20}));
    EXPECT_EQ(agreements.acceptance, (Acceptance{"2", 20}));
}

}  // namespace
}  // namespace lumenor
