#include "remote/connection_eviction.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

namespace lumenor {

namespace {

// So that a connection accepted this instant does not divide by nothing.
constexpr double kShortestAge = 0.001;

}  // namespace

std::size_t evictionVictim(const std::vector<ConnectionStanding>& open) {
    std::unordered_map<quint32, int> held;
    held.reserve(open.size());
    for (const ConnectionStanding& c : open) {
        ++held[c.client];
    }
    std::size_t victim = 0;
    double lowest = std::numeric_limits<double>::infinity();
    double lowestAge = -1.0;
    for (std::size_t i = 0; i < open.size(); ++i) {
        const ConnectionStanding& c = open[i];
        double worth = std::numeric_limits<double>::max();
        if (c.responseSent) {
            worth = -1.0;
        } else if (!c.answered) {
            // The accept counts as one byte, so that silent connections rank by age.
            worth = static_cast<double>(c.bytesReceived + 1) / std::max(c.age, kShortestAge) /
                    held[c.client];
        }
        if (worth < lowest || (worth == lowest && c.age > lowestAge)) {
            victim = i;
            lowest = worth;
            lowestAge = c.age;
        }
    }
    return victim;
}

}  // namespace lumenor
