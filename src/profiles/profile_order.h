#pragma once

#include <vector>

#include "profiles/profile.h"

namespace lumenor {

// The stored order: a stable sort by lower-cased name, so that names equal but for letter
// case keep their relative order.
void sortProfiles(std::vector<Profile>& profiles);

}  // namespace lumenor
