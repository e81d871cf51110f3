#include <gtest/gtest.h>

#include <set>

#include "remote/command_gate.h"
#include "remote/local_address.h"
#include "remote/pin.h"

namespace lumenor {
namespace {

using Verdict = CommandGate::Verdict;

const QString kPhone = QStringLiteral("192.0.2.10");
const QString kRight = QStringLiteral("042042");
const QString kWrong = QStringLiteral("999999");

class Lockout : public ::testing::Test {
  protected:
    double now = 1000.0;
    CommandGate gate{[this] { return now; }};
    void SetUp() override { gate.reset(kRight); }
    void wrong(int times, const QString& client = kPhone) {
        for (int i = 0; i < times; ++i) {
            EXPECT_EQ(gate.check(client, kWrong), Verdict::forbidden);
        }
    }
};

TEST_F(Lockout, NineWrongThenRightResetsTheCount) {
    wrong(9);
    EXPECT_EQ(gate.check(kPhone, kRight), Verdict::accepted);
    EXPECT_EQ(gate.failedAttempts(kPhone), 0);
    wrong(9);
    EXPECT_EQ(gate.check(kPhone, kRight), Verdict::accepted);
}

TEST_F(Lockout, TenWrongLockOnlyThatAddressForThirtySecondsThenTwiceAsLongEachRound) {
    const QString other = QStringLiteral("192.0.2.11");
    for (const double seconds : {30.0, 60.0, 120.0, 240.0}) {
        wrong(10);
        EXPECT_EQ(gate.failedAttempts(kPhone), 0);
        now += seconds - 0.001;
        EXPECT_EQ(gate.check(kPhone, kRight), Verdict::locked) << seconds;
        EXPECT_EQ(gate.check(kPhone, std::nullopt), Verdict::locked) << seconds;
        EXPECT_EQ(gate.failedAttempts(kPhone), 0);  // locked requests are not counted
        EXPECT_EQ(gate.check(other, kRight), Verdict::accepted) << seconds;
        now += 0.001 + 60.0;  // past the overall ceiling's minute too
    }
    EXPECT_EQ(gate.check(kPhone, kRight), Verdict::accepted);
    wrong(10);  // the right PIN starts the rounds again
    now += 30.0;
    EXPECT_EQ(gate.check(kPhone, kRight), Verdict::accepted);
}

TEST_F(Lockout, WrongPinsFromEveryAddressHaveACeilingAMinute) {
    EXPECT_EQ(gate.check(kPhone, kRight), Verdict::accepted);
    for (int i = 0; i < CommandGate::kWrongPerMinuteCeiling; ++i) {
        wrong(1, QStringLiteral("198.51.100.%1").arg(i));
        now += 1.0;
    }
    const QString newcomer = QStringLiteral("203.0.113.1");
    EXPECT_EQ(gate.check(newcomer, kRight), Verdict::locked);
    EXPECT_EQ(gate.check(newcomer, kWrong), Verdict::locked);
    EXPECT_EQ(gate.check(kPhone, kRight), Verdict::accepted);  // it gave the right PIN before
    now += 60.0 - CommandGate::kWrongPerMinuteCeiling + 1.0;  // the first wrong PIN is a minute old
    EXPECT_EQ(gate.check(newcomer, kRight), Verdict::accepted);
}

TEST_F(Lockout, PinsCompareExactly) {
    for (const QString& bad :
         {QStringLiteral("042042 "), QStringLiteral(" 042042"), QStringLiteral("42042"),
          QStringLiteral("0420420"), QString(), QStringLiteral("04204٢")}) {
        EXPECT_EQ(gate.check(kPhone, bad), Verdict::forbidden) << bad.toStdString();
    }
    EXPECT_EQ(gate.check(kPhone, std::nullopt), Verdict::forbidden);
    EXPECT_EQ(gate.failedAttempts(kPhone), 7);
    EXPECT_FALSE(samePin(QString(), QStringLiteral("1")));
    EXPECT_TRUE(samePin(QString(), QString()));
}

TEST(Pin, SixDigitsWithLeadingZerosFromTheWholeRange) {
    EXPECT_EQ(formatPin(42), "000042");
    EXPECT_EQ(formatPin(0), "000000");
    EXPECT_EQ(formatPin(999999), "999999");
    std::set<QString> seen;
    std::set<QChar> firstDigits;
    for (int i = 0; i < 200; ++i) {
        const std::optional<QString> pin = drawPin();
        ASSERT_TRUE(pin);
        ASSERT_EQ(pin->size(), 6);
        for (const QChar c : *pin) {
            ASSERT_TRUE(c >= u'0' && c <= u'9');
        }
        seen.insert(*pin);
        firstDigits.insert(pin->front());
    }
    EXPECT_GT(seen.size(), 190U);
    EXPECT_GT(firstDigits.size(), 5U);
}

InterfaceEntry entry(const char* name, std::array<std::uint8_t, 4> ip, bool device = true) {
    return {QString::fromLatin1(name), true, false, device, ip};
}

TEST(LocalAddress, FirstUpWiredOrWirelessIpv4InTheSystemsOrder) {
    InterfaceEntry loopback = entry("lo", {127, 0, 0, 1}, false);
    loopback.loopback = true;
    InterfaceEntry down = entry("eth0", {10, 0, 0, 1});
    down.up = false;
    InterfaceEntry ipv6 = entry("enp3s0", {0, 0, 0, 0});
    ipv6.ipv4.reset();
    std::vector<InterfaceEntry> list = {loopback,
                                        entry("docker0", {172, 17, 0, 1}, false),
                                        entry("br0", {192, 168, 5, 1}),
                                        entry("veth12ab", {10, 1, 0, 1}, false),
                                        entry("tun0", {10, 8, 0, 2}, false),
                                        entry("wg0", {10, 9, 0, 2}, false),
                                        entry("enx00e04c", {10, 2, 0, 9}, false),
                                        down,
                                        ipv6};
    EXPECT_FALSE(chooseLocalAddress(list));
    EXPECT_FALSE(chooseLocalAddress({}));
    list.push_back(entry("wlp2s0", {192, 168, 1, 23}));
    list.push_back(entry("enp3s0", {192, 168, 1, 7}));
    EXPECT_EQ(chooseLocalAddress(list), "192.168.1.23");
}

}  // namespace
}  // namespace lumenor
