#include <gtest/gtest.h>

#include <QVariantList>

#include <limits>

#include "controller/bridge_values.h"

namespace lumenor::bridge {
namespace {

TEST(BridgeValues, WholeNumbersFromEveryNumericType) {
    EXPECT_EQ(wholeNumber(QVariant(int(-7))), -7);
    EXPECT_EQ(wholeNumber(QVariant(uint(7))), 7);
    EXPECT_EQ(wholeNumber(QVariant::fromValue(qlonglong(-9))), -9);
    EXPECT_EQ(wholeNumber(QVariant(12.0f)), 12);
    EXPECT_EQ(wholeNumber(QVariant(-0.0)), 0);
    EXPECT_EQ(wholeNumber(QVariant(12.25f)), std::nullopt);
    EXPECT_EQ(wholeNumber(QVariant(true)), std::nullopt);
    EXPECT_EQ(wholeNumber(QVariant("3")), std::nullopt);
    EXPECT_EQ(wholeNumber(QVariant()), std::nullopt);
    EXPECT_EQ(wholeNumber(QVariant::fromValue(nullptr)), std::nullopt);
    EXPECT_EQ(wholeNumber(QVariant(std::numeric_limits<double>::quiet_NaN())), std::nullopt);
    EXPECT_EQ(wholeNumber(QVariant(-std::numeric_limits<double>::infinity())), std::nullopt);
}

TEST(BridgeValues, DoublesTakeNumbersAndBooleansOnly) {
    EXPECT_EQ(numberAsDouble(QVariant::fromValue(qlonglong(5))), 5.0);
    EXPECT_EQ(numberAsDouble(QVariant(0.25)), 0.25);
    EXPECT_EQ(numberAsDouble(QVariant(true)), 1.0);
    EXPECT_EQ(numberAsDouble(QVariant("0.25")), std::nullopt);
    EXPECT_EQ(numberAsDouble(QVariant(QVariantList{1.0})), std::nullopt);
}

TEST(BridgeValues, TruncationStaysInRange) {
    EXPECT_EQ(truncatedNumber(QVariant(-0.9)), 0);
    EXPECT_EQ(truncatedNumber(QVariant(9223372036854774784.0)), 9223372036854774784LL);
    EXPECT_EQ(truncatedNumber(QVariant(9223372036854775808.0)), std::nullopt);
    EXPECT_EQ(truncatedNumber(QVariant(-9223372036854777856.0)), std::nullopt);
    EXPECT_EQ(truncatedNumber(QVariant::fromValue(std::numeric_limits<qulonglong>::max())),
              std::nullopt);
}

TEST(BridgeValues, StringsAreNotConvertedFromOtherTypes) {
    EXPECT_EQ(string(QVariant(QString())), QString());
    EXPECT_EQ(string(QVariant(QByteArray("bytes"))), std::nullopt);
    EXPECT_EQ(string(QVariant(1.0)), std::nullopt);
    EXPECT_EQ(stringArray(QVariant("4:3")), std::nullopt);
    EXPECT_EQ(stringArray(QVariant(QVariantList{"a", "b"})), (QStringList{"a", "b"}));
}

}  // namespace
}  // namespace lumenor::bridge
