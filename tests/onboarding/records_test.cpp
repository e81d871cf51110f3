#include <gtest/gtest.h>

#include "onboarding/acceptance.h"

namespace lumenor {
namespace {

using std::chrono::milliseconds;
using std::chrono::system_clock;

TEST(AcceptanceRecord, TheMomentIsCutToWholeSeconds) {
    const system_clock::time_point when{milliseconds(1700000000999)};
    EXPECT_EQ(Acceptance::at("1", when), (Acceptance{"1", 1700000000}));
    EXPECT_EQ(Acceptance::at("1", system_clock::time_point{milliseconds(1500)}).acceptedAt, 1);
    // Toward zero before 1970 as well: -1.5 s gives -1, not -2.
    EXPECT_EQ(Acceptance::at("1", system_clock::time_point{milliseconds(-1500)}).acceptedAt, -1);
}

}  // namespace
}  // namespace lumenor
