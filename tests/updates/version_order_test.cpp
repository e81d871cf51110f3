#include <gtest/gtest.h>

#include "updates/version_order.h"

namespace lumenor {
namespace {

int order(const char* a, const char* b) {
    const std::optional<Version> x = parseVersion(QLatin1String(a));
    const std::optional<Version> y = parseVersion(QLatin1String(b));
    EXPECT_TRUE(x && y) << a << " " << b;
    return x && y ? compareVersions(*x, *y) : 0;
}

TEST(VersionOrder, NumbersCompareAsNumbersAndMissingOnesAreZero) {
    EXPECT_GT(order("1.10", "1.9"), 0);
    EXPECT_LT(order("1.9", "1.10"), 0);
    EXPECT_GT(order("2.0", "1.99.99"), 0);
    EXPECT_EQ(order("1.2", "1.2.0"), 0);
    EXPECT_LT(order("1.2", "1.2.1"), 0);
    EXPECT_EQ(order("v1.4.0+build.7", "1.4"), 0);
}

TEST(VersionOrder, PreReleasesComeBeforeTheirReleaseInIdentifierOrder) {
    const char* ascending[] = {"1.0.0-alpha", "1.0.0-alpha.1", "1.0.0-alpha.beta",
                               "1.0.0-beta",  "1.0.0-beta.2",  "1.0.0-beta.11",
                               "1.0.0-rc.1",  "1.0.0",         "1.0.1-rc.1"};
    for (std::size_t i = 0; i + 1 < std::size(ascending); ++i) {
        EXPECT_LT(order(ascending[i], ascending[i + 1]), 0) << ascending[i];
        EXPECT_GT(order(ascending[i + 1], ascending[i]), 0) << ascending[i + 1];
    }
    EXPECT_GT(order("1.10.0-rc.1", "1.9.0"), 0);
}

TEST(VersionOrder, TextThatIsNoVersionIsRefused) {
    for (const char* bad : {"", "1..2", "1.x", "one", "1.2-", "1.2-beta..1", "-1.2", "1.2.3.",
                            "99999999999.0", "1.2-be ta"}) {
        EXPECT_FALSE(parseVersion(QLatin1String(bad))) << bad;
    }
}

}  // namespace
}  // namespace lumenor
