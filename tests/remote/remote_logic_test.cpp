#include <gtest/gtest.h>

#include <set>

#include "remote/command_gate.h"
#include "remote/connection_eviction.h"
#include "remote/http_request.h"
#include "remote/http_response.h"
#include "remote/local_address.h"
#include "remote/pin.h"
#include "remote/remote_page.h"
#include "remote/remote_routes.h"

namespace lumenor {
namespace {

// Complete once the head is in and as many body bytes as the first Content-Length that reads
// as a number declares; a length that does not read counts as absent.
TEST(HttpRequest, IsCompleteOnceHeadAndDeclaredBodyAreIn) {
    const QString head =
        QStringLiteral("POST /cmd HTTP/1.1\r\nHost: x\r\ncOnTeNt-LeNgTh: \t 40 \r\n\r\n");
    const QString body = QString(40, u'a');
    EXPECT_FALSE(isRequestComplete(head + body.left(39)));
    EXPECT_TRUE(isRequestComplete(head + body));
    EXPECT_FALSE(isRequestComplete(QStringLiteral("GET / HTTP/1.1\r\nHost: x\r\n")));
    // Body bytes are counted in UTF-8: two characters of three bytes each.
    EXPECT_TRUE(isRequestComplete(QStringLiteral("P\r\nContent-Length: 6\r\n\r\n——")));
    EXPECT_FALSE(isRequestComplete(QStringLiteral("P\r\nContent-Length: 7\r\n\r\n——")));
    for (const char* line :
         {"Content-Length: 4x", "Content-Length:", "Content-Length: ",
          "Content-Length: 99999999999999999999", "Content-Length 40", "X-Content-Length: 40"}) {
        EXPECT_TRUE(
            isRequestComplete(QStringLiteral("P / H\r\n%1\r\n\r\n").arg(QLatin1String(line))))
            << line;
    }
    EXPECT_FALSE(isRequestComplete(QStringLiteral("P\r\nContent-Length: +3\r\n\r\nab")));
    EXPECT_TRUE(isRequestComplete(QStringLiteral("P\r\nContent-Length: -3\r\n\r\n")));
    EXPECT_FALSE(
        isRequestComplete(QStringLiteral("P\r\nContent-Length: x\r\ncontent-length: 5\r\n"
                                         "Content-Length: 1\r\n\r\nab")));
}

TEST(HttpRequest, RequestLineTargetQueryAndFormBody) {
    const auto parsed = [](const char* text) { return parseRequest(QString::fromUtf8(text)); };
    EXPECT_EQ(parsed("").method + " " + parsed("").path, "GET /");
    const HttpRequest spaced = parsed("post   /cmd  HTTP/1.1\r\n\r\n");
    EXPECT_EQ(spaced.method + " " + spaced.path, "post /cmd");
    EXPECT_EQ(parsed("GET /a%20b/c#frag HTTP/1.1").path, "/a b/c");
    const HttpRequest queryOnly = parsed("GET ?pin=1 HTTP/1.1");
    EXPECT_EQ(queryOnly.path, "");
    EXPECT_EQ(queryOnly.params, (RemoteParams{{"pin", "1"}}));
    // Targets that make no URL fall back to "/" with no query applied.
    for (const char* bad :
         {"/<x>?pin=1", "/%zz?pin=1", "/a?pin=%", "/?pin=%FF", "/\xC3\xA9?pin=1", "/a#b#c?pin=1"}) {
        const HttpRequest r =
            parseRequest(QStringLiteral("GET %1 HTTP/1.1").arg(QString::fromUtf8(bad)));
        EXPECT_EQ(r.path, "/") << bad;
        EXPECT_TRUE(r.params.empty()) << bad;
    }
    // The body wins over the query; the body runs to the end, blank lines included.
    EXPECT_EQ(
        parsed("POST /cmd?verb=blank&pin=111111&drop=1&drop&plus=a+b HTTP/1.1\r\n\r\npin=222222")
            .params,
        (RemoteParams{{"verb", "blank"}, {"pin", "222222"}, {"plus", "a+b"}}));
    EXPECT_EQ(
        parsed("P\r\n\r\nname=grid&name=smpte&text=one%20two+three&pct=50%&=abc").params,
        (RemoteParams{{"name", "smpte"}, {"text", "one two three"}, {"pct", "50%"}, {"abc", ""}}));
    EXPECT_EQ(
        parsed("P\r\n\r\neq=a=b&&bare&%zz=1&==&last=%E2%80%94\r\n\r\nmore=1").params,
        (RemoteParams{{"eq", "a=b"}, {"bare", ""}, {"%zz", "1"}, {"last", "—\r\n\r\nmore=1"}}));
}

using Verdict = CommandGate::Verdict;

const QString kPhone = QStringLiteral("192.0.2.10");
const QString kRight = QStringLiteral("042042");
const QString kWrong = QStringLiteral("999999");

// A gate whose PIN is kRight, and the routes behind it for a phone at kPhone that reached the
// remote at http://192.0.2.7:8080.
class Gate : public ::testing::Test {
  protected:
    void SetUp() override { gate.reset(kRight); }
    void wrong(int times, const QString& client = kPhone) {
        for (int i = 0; i < times; ++i) {
            EXPECT_EQ(gate.check(client, kWrong), Verdict::forbidden);
        }
    }
    RouteResult route(const QString& request) {
        return routeRequest(parseRequest(request), gate,
                            {kPhone, QStringLiteral("http://192.0.2.7:8080")}, snapshot);
    }
    // The status and body of the answer, as "403 forbidden".
    QString answer(const QString& request) {
        const RouteAnswer a = route(request).answer;
        return QStringLiteral("%1 %2").arg(a.status).arg(a.body);
    }

    double now = 1000.0;
    CommandGate gate{[this] { return now; }};
    RemoteSnapshot snapshot{QStringLiteral("smpte"), true, std::nullopt};
};
using Routes = Gate;
using Lockout = Gate;

// What POST /cmd hands on, with a verb and without, is checked in the server tests.
TEST_F(Routes, OnlyPostToCmdReachesTheCommandRoute) {
    for (const char* line : {"GET / HTTP/1.1", "GET /other HTTP/1.1", "HEAD / HTTP/1.1",
                             "PUT /cmd HTTP/1.1", "post /cmd HTTP/1.1", "GET /cmd HTTP/1.1",
                             "POST / HTTP/1.1", "POST /CMD HTTP/1.1", "POST /cmd/ HTTP/1.1", ""}) {
        const RouteResult r =
            route(QStringLiteral("%1\r\n\r\nverb=blank&pin=042042").arg(QLatin1String(line)));
        EXPECT_EQ(r.answer.status, 200) << line;
        EXPECT_EQ(r.answer.body, remotePage()) << line;
        EXPECT_FALSE(r.command) << line;
    }
}

TEST_F(Routes, CommandsFromAPageOfAnotherOriginAreRefusedUncounted) {
    // A wrong PIN throughout: the body tells whether the gate looked at it.
    const auto post = [&](const char* headers) {
        return answer(QStringLiteral("POST /cmd HTTP/1.1\r\n%1\r\nverb=blank&pin=000000")
                          .arg(QLatin1String(headers)));
    };
    for (const char* headers :
         {"", "Origin: http://192.0.2.7:8080\r\n", "ORIGIN:HTTP://192.0.2.7:8080\r\n",
          "Referer: http://192.0.2.7:8080/?pin=042042\r\n",
          "Origin: http://192.0.2.7:8080\r\nReferer: http://evil.example/\r\n"}) {
        EXPECT_EQ(post(headers), "403 forbidden") << headers;
    }
    for (const char* headers :
         {"Origin: http://evil.example\r\n", "Origin: null\r\n",
          "Origin: http://192.0.2.7:8081\r\n", "Origin: http://192.0.2.7\r\n",
          "Origin: https://192.0.2.7:8080\r\n", "Origin: http://192.0.2.7.evil.example:8080\r\n",
          "Referer: http://evil.example/?to=http://192.0.2.7:8080\r\n", "Origin: \r\n"}) {
        EXPECT_EQ(post(headers), "403 cross-origin") << headers;
    }
    EXPECT_EQ(gate.failedAttempts(kPhone), 5);  // only the requests that passed
}

// What the state says, with a trial on and without, is checked end to end.
TEST_F(Routes, TheStateIsAnsweredOnlyWithThePinAndALockoutSaysItsSecondsLeft) {
    const auto state = [&](const char* query) {
        return answer(QStringLiteral("GET /state%1 HTTP/1.1\r\n\r\n").arg(QLatin1String(query)));
    };
    EXPECT_EQ(state(""), "403 forbidden");
    for (int i = 0; i < CommandGate::kAttemptsBeforeLockout - 1; ++i) {
        EXPECT_EQ(state("?pin=654321"), "403 forbidden");
    }
    EXPECT_EQ(state("?pin=042042"), "429 locked 30");
    now += 12.5;
    EXPECT_EQ(state("?pin=042042"), "429 locked 18");
}

// The length counts bytes in UTF-8. The 403 status line is checked against curl in the server
// tests.
TEST(HttpResponse, BytesAreExact) {
    EXPECT_EQ(responseBytes({200, QStringLiteral("ok —"), QStringLiteral("text/plain")}),
              QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 6\r\n"
                         "Connection: close\r\nCache-Control: no-store\r\n\r\nok —"));
    EXPECT_TRUE(responseBytes({429, QStringLiteral("locked"), QStringLiteral("text/plain")})
                    .startsWith("HTTP/1.1 429 Too Many Requests\r\n"));
}

// Nine wrong PINs and the right one start the count again; ten in a row lock that address out
// for 30 seconds, then twice as long each round until the right PIN is given.
TEST_F(Lockout, TenWrongLockOnlyThatAddressForThirtySecondsThenTwiceAsLongEachRound) {
    wrong(9);
    EXPECT_EQ(gate.check(kPhone, kRight), Verdict::accepted);
    EXPECT_EQ(gate.failedAttempts(kPhone), 0);
    now += 60.0;  // past the overall ceiling's minute
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
    EXPECT_TRUE(samePin(QString(), QString()));
}

TEST(Pin, SixDigitsWithLeadingZerosFromTheWholeRange) {
    EXPECT_EQ(formatPin(42), "000042");
    std::set<QString> seen;
    std::set<QChar> firstDigits;
    for (int i = 0; i < 200; ++i) {
        const std::optional<QString> pin = drawPin();
        ASSERT_TRUE(pin);
        ASSERT_EQ(formatPin(pin->toUInt()), *pin);  // six digits and nothing else
        seen.insert(*pin);
        firstDigits.insert(pin->front());
    }
    EXPECT_GT(seen.size(), 190U);
    EXPECT_GT(firstDigits.size(), 5U);
}

TEST(LocalAddress, FirstUpWiredOrWirelessIpv4InTheSystemsOrder) {
    using Ipv4 = std::array<std::uint8_t, 4>;
    // Name, up, loopback, backed by a device, address.
    std::vector<InterfaceEntry> list = {{"lo", true, true, false, Ipv4{127, 0, 0, 1}},
                                        {"br0", true, false, true, Ipv4{192, 168, 5, 1}},
                                        {"enx00e04c", true, false, false, Ipv4{10, 2, 0, 9}},
                                        {"eth0", false, false, true, Ipv4{10, 0, 0, 1}},
                                        {"enp3s0", true, false, true, std::nullopt}};
    EXPECT_FALSE(chooseLocalAddress(list));
    EXPECT_FALSE(chooseLocalAddress({}));
    list.push_back({"wlp2s0", true, false, true, Ipv4{192, 168, 1, 23}});
    list.push_back({"enp3s0", true, false, true, Ipv4{192, 168, 1, 7}});
    EXPECT_EQ(chooseLocalAddress(list), "192.168.1.23");
}

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
