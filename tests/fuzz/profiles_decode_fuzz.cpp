// Decodes the fuzzer's bytes as a stored profile list; whatever decodes must encode to bytes
// that decode again to the same list.
#include <QByteArray>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "profiles/profile_json.h"
#include "profiles/profile_order.h"

namespace {

void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "profile codec invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    std::optional<std::vector<lumenor::Profile>> decoded = lumenor::decodeProfiles(bytes);
    if (!decoded) {
        return 0;
    }
    lumenor::sortProfiles(*decoded);
    require(std::is_sorted(decoded->begin(), decoded->end(),
                           [](const lumenor::Profile& a, const lumenor::Profile& b) {
                               return a.name.toLower() < b.name.toLower();
                           }),
            "sorted list out of order");
    const std::optional<QByteArray> first = lumenor::encodeProfiles(*decoded);
    if (!first) {
        return 0;  // a number JSON cannot hold; nothing would be stored
    }
    const std::optional<std::vector<lumenor::Profile>> again = lumenor::decodeProfiles(*first);
    require(again.has_value(), "encoded list does not decode");
    require(again->size() == decoded->size(), "encoded list lost profiles");
    const std::optional<QByteArray> second = lumenor::encodeProfiles(*again);
    require(second.has_value() && *second == *first, "encoding is not stable");
    return 0;
}
