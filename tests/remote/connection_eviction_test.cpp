#include <gtest/gtest.h>

#include "remote/connection_eviction.h"

namespace lumenor {
namespace {

TEST(ConnectionEviction, LingeringFirstThenLeastAchievedForItsAgeAndItsHostsShare) {
    const quint32 flood = 0xC0000242;  // 192.0.2.66
    const quint32 phone = 0xC000020A;  // 192.0.2.10
    struct Case {
        const char* why;
        std::vector<ConnectionStanding> open;
        std::size_t victim;
    };
    for (const auto& [why, open, victim] : std::vector<Case>{
             {"a lingering connection before any other",
              {{phone, 0.02, 0}, {flood, 0.001, 1, true, true}, {flood, 0.5, 1, true, true}},
              2},
             {"a response still being sent goes last",
              {{phone, 3.0, 300, true, false}, {phone, 0.001, 0}},
              1},
             {"silent connections by age", {{flood, 0.2, 0}, {flood, 0.3, 0}, {flood, 0.1, 0}}, 1},
             {"a phone not yet heard from outlasts a host's many one-byte connections",
              {{phone, 0.02, 0}, {flood, 0.015, 1}, {flood, 0.01, 1}, {flood, 0.005, 1}},
              1},
             {"bytes for their age",
              {{flood, 1.0, 500}, {phone, 0.5, 100}, {flood, 0.1, 100}},
              1}}) {
        EXPECT_EQ(evictionVictim(open), victim) << why;
    }
}

}  // namespace
}  // namespace lumenor
