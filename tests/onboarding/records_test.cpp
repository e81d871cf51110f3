#include <gtest/gtest.h>

#include "onboarding/acceptance.h"
#include "onboarding/gates.h"
#include "onboarding/onboarding_record.h"

namespace lumenor {
namespace {

using std::chrono::milliseconds;
using std::chrono::system_clock;

TEST(AgreementGate, NeedsAcceptanceExactlyWhenNothingOrAnotherVersionIsStored) {
    EXPECT_TRUE(EULAGate::needsAcceptance(std::nullopt, kAgreementVersion));
    EXPECT_FALSE(EULAGate::needsAcceptance(Acceptance{"1", -5}, "1"));
    EXPECT_FALSE(EULAGate::needsAcceptance(Acceptance{"2", 0}, "2"));
    for (const char* other : {"1.0", "2", "", " 1", "01"}) {
        EXPECT_TRUE(EULAGate::needsAcceptance(Acceptance{other, 1700000000}, "1")) << other;
    }
}

TEST(TourGateTest, StartsWhenNoRecordIsStoredAndItsEndIsAnEvent) {
    EXPECT_TRUE(TourGate::shouldAutoStart(std::nullopt));
    EXPECT_FALSE(TourGate::shouldAutoStart(OnboardingRecord{"0", false, false}));
    EXPECT_EQ(TourGate::telemetryEventForTourEnd(true), "tour_skipped");
    EXPECT_EQ(TourGate::telemetryEventForTourEnd(false), "tour_completed");
}

TEST(AcceptanceRecord, TheMomentIsCutToWholeSeconds) {
    const system_clock::time_point when{milliseconds(1700000000999)};
    EXPECT_EQ(Acceptance::at("1", when), (Acceptance{"1", 1700000000}));
    EXPECT_EQ(Acceptance::at("1", system_clock::time_point{milliseconds(1500)}).acceptedAt, 1);
    // Toward zero before 1970 as well: -1.5 s gives -1, not -2.
    EXPECT_EQ(Acceptance::at("1", system_clock::time_point{milliseconds(-1500)}).acceptedAt, -1);
}

}  // namespace
}  // namespace lumenor
