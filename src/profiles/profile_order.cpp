#include "profiles/profile_order.h"

#include <algorithm>

namespace lumenor {

void sortProfiles(std::vector<Profile>& profiles) {
    std::stable_sort(profiles.begin(), profiles.end(), [](const Profile& a, const Profile& b) {
        return a.name.toLower() < b.name.toLower();
    });
}

}  // namespace lumenor
