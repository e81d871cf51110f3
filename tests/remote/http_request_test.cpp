#include <gtest/gtest.h>

#include "remote/command_gate.h"
#include "remote/http_request.h"
#include "remote/http_response.h"
#include "remote/remote_page.h"
#include "remote/remote_routes.h"

namespace lumenor {
namespace {

TEST(HttpRequest, IsCompleteOnceHeadAndDeclaredBodyAreIn) {
    const QString head =
        QStringLiteral("POST /cmd HTTP/1.1\r\nHost: x\r\ncOnTeNt-LeNgTh: \t 40 \r\n\r\n");
    const QString body = QString(40, u'a');
    EXPECT_FALSE(isRequestComplete(head));
    EXPECT_FALSE(isRequestComplete(head + body.left(39)));
    EXPECT_TRUE(isRequestComplete(head + body));
    EXPECT_TRUE(isRequestComplete(QStringLiteral("GET / HTTP/1.1\r\n\r\n")));
    EXPECT_FALSE(isRequestComplete(QStringLiteral("GET / HTTP/1.1\r\nHost: x\r\n")));
    // Body bytes are counted in UTF-8: two characters of three bytes each.
    EXPECT_TRUE(isRequestComplete(QStringLiteral("P\r\nContent-Length: 6\r\n\r\n——")));
    EXPECT_FALSE(isRequestComplete(QStringLiteral("P\r\nContent-Length: 7\r\n\r\n——")));
}

TEST(HttpRequest, LengthsThatDoNotReadAsNumbersCountAsAbsent) {
    for (const char* line : {"Content-Length: 4x", "Content-Length:", "Content-Length: ",
                             "Content-Length: 99999999999999999999", "Content-Length 40",
                             "X-Content-Length: 40", "Content-Length: 1 0"}) {
        EXPECT_TRUE(
            isRequestComplete(QStringLiteral("P / H\r\n%1\r\n\r\n").arg(QLatin1String(line))))
            << line;
    }
    EXPECT_FALSE(isRequestComplete(QStringLiteral("P\r\nContent-Length: +3\r\n\r\nab")));
    EXPECT_TRUE(isRequestComplete(QStringLiteral("P\r\nContent-Length: -3\r\n\r\n")));
    // The first length that reads wins.
    EXPECT_FALSE(
        isRequestComplete(QStringLiteral("P\r\nContent-Length: x\r\ncontent-length: 5\r\n"
                                         "Content-Length: 1\r\n\r\nab")));
}

TEST(HttpRequest, RequestLineAndTarget) {
    for (const auto& [line, method, path] :
         {std::tuple{"", "GET", "/"}, {"post   /cmd  HTTP/1.1\r\n\r\n", "post", "/cmd"}}) {
        const HttpRequest r = parseRequest(QString::fromLatin1(line));
        EXPECT_EQ(r.method + " " + r.path, QString::fromLatin1(method) + " " + path);
    }
    EXPECT_EQ(parseRequest(QStringLiteral("GET /a%20b/c#frag HTTP/1.1")).path, "/a b/c");
    const HttpRequest queryOnly = parseRequest(QStringLiteral("GET ?pin=1 HTTP/1.1"));
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
}

// The body wins over the query; the body runs to the end, blank lines included.
TEST(HttpRequest, QueryAndFormBody) {
    EXPECT_EQ(parseRequest(QStringLiteral("POST /cmd?verb=blank&pin=111111&drop=1&drop&plus=a+b "
                                          "HTTP/1.1\r\n\r\npin=222222"))
                  .params,
              (RemoteParams{{"verb", "blank"}, {"pin", "222222"}, {"plus", "a+b"}}));
    EXPECT_EQ(parseRequest(
                  QStringLiteral(
                      "POST /cmd HTTP/1.1\r\n\r\nname=grid&name=smpte&text=one%20two+three&pct=50%&"
                      "=abc&eq=a=b&&bare&%zz=1&==&last=%E2%80%94\r\n\r\nmore=1"))
                  .params,
              (RemoteParams{{"name", "smpte"},
                            {"text", "one two three"},
                            {"pct", "50%"},
                            {"abc", ""},
                            {"eq", "a=b"},
                            {"bare", ""},
                            {"%zz", "1"},
                            {"last", QStringLiteral("—\r\n\r\nmore=1")}}));
}

const RequestSource kSource{QStringLiteral("192.0.2.10"), QStringLiteral("http://192.0.2.7:8080")};

TEST(HttpRequest, OnlyPostToCmdReachesTheCommandRoute) {
    CommandGate gate([] { return 100.0; });
    gate.reset(QStringLiteral("123456"));
    for (const char* line : {"GET / HTTP/1.1", "GET /other HTTP/1.1", "HEAD / HTTP/1.1",
                             "PUT /cmd HTTP/1.1", "post /cmd HTTP/1.1", "GET /cmd HTTP/1.1",
                             "POST / HTTP/1.1", "POST /CMD HTTP/1.1", "POST /cmd/ HTTP/1.1", ""}) {
        const RouteResult r = routeRequest(
            parseRequest(
                QStringLiteral("%1\r\n\r\nverb=blank&pin=123456").arg(QLatin1String(line))),
            gate, kSource, {});
        EXPECT_EQ(r.answer.status, 200) << line;
        EXPECT_EQ(r.answer.body, remotePage()) << line;
        EXPECT_FALSE(r.command) << line;
    }
    const RouteResult cmd = routeRequest(
        parseRequest(QStringLiteral("POST /cmd HTTP/1.1\r\n\r\nverb=pattern&name=grid&pin=123456")),
        gate, kSource, {});
    EXPECT_EQ(cmd.answer.body, "ok");
    ASSERT_TRUE(cmd.command);
    EXPECT_EQ(cmd.command->verb, "pattern");
    EXPECT_EQ(cmd.command->params.size(), 3U);
    const RouteResult noVerb = routeRequest(
        parseRequest(QStringLiteral("POST /cmd HTTP/1.1\r\n\r\npin=123456")), gate, kSource, {});
    EXPECT_EQ(noVerb.answer.status, 200);
    EXPECT_FALSE(noVerb.command);
}

TEST(HttpRequest, CommandsFromAPageOfAnotherOriginAreRefusedUncounted) {
    CommandGate gate([] { return 100.0; });
    gate.reset(QStringLiteral("123456"));
    struct Case {
        const char* headers;
        bool refused;
    };
    // A wrong PIN throughout: the body tells whether the gate looked at it.
    for (const auto& [headers, refused] : std::vector<Case>{
             {"", false},
             {"Origin: http://192.0.2.7:8080\r\n", false},
             {"ORIGIN:HTTP://192.0.2.7:8080\r\n", false},
             {"Referer: http://192.0.2.7:8080/?pin=123456\r\n", false},
             {"Origin: http://192.0.2.7:8080\r\nReferer: http://evil.example/\r\n", false},
             {"Origin: http://evil.example\r\n", true},
             {"Origin: null\r\n", true},
             {"Origin: http://192.0.2.7:8081\r\n", true},
             {"Origin: http://192.0.2.7\r\n", true},
             {"Origin: https://192.0.2.7:8080\r\n", true},
             {"Origin: http://192.0.2.7.evil.example:8080\r\n", true},
             {"Referer: http://evil.example/?to=http://192.0.2.7:8080\r\n", true},
             {"Origin: \r\n", true}}) {
        const RouteResult r = routeRequest(
            parseRequest(QStringLiteral("POST /cmd HTTP/1.1\r\n%1\r\nverb=blank&pin=000000")
                             .arg(QLatin1String(headers))),
            gate, kSource, {});
        EXPECT_EQ(r.answer.status, 403) << headers;
        EXPECT_EQ(r.answer.body, refused ? "cross-origin" : "forbidden") << headers;
    }
    EXPECT_EQ(gate.failedAttempts(kSource.client), 5);  // only the requests that passed
}

TEST(HttpRequest, TheStateIsAnsweredOnlyWithThePinAndALockoutSaysItsSecondsLeft) {
    double now = 100.0;
    CommandGate gate([&now] { return now; });
    gate.reset(QStringLiteral("123456"));
    RemoteSnapshot snapshot{QStringLiteral("smpte"), true, std::nullopt};
    const auto state = [&](const char* query) {
        const RouteAnswer a =
            routeRequest(
                parseRequest(
                    QStringLiteral("GET /state%1 HTTP/1.1\r\n\r\n").arg(QLatin1String(query))),
                gate, kSource, snapshot)
                .answer;
        return QStringLiteral("%1 %2").arg(a.status).arg(a.body);
    };
    EXPECT_EQ(state("?pin=123456"), R"(200 {"output":true,"pattern":"smpte"})");
    EXPECT_EQ(state(""), "403 forbidden");
    for (int i = 0; i < CommandGate::kAttemptsBeforeLockout - 1; ++i) {
        EXPECT_EQ(state("?pin=654321"), "403 forbidden");
    }
    EXPECT_EQ(state("?pin=123456"), "429 locked 30");
    now += 12.5;
    EXPECT_EQ(state("?pin=123456"), "429 locked 18");
    now += 18.0;
    EXPECT_EQ(state("?pin=123456"), R"(200 {"output":true,"pattern":"smpte"})");
    // A mode on trial is in the answer only while it runs.
    snapshot.trial = RemoteTrial{QStringLiteral("Studio \"A\""), QStringLiteral("1280 × 720"), 9};
    EXPECT_EQ(state("?pin=123456"),
              R"(200 {"output":true,"pattern":"smpte","trial":{"display":"Studio \"A\"",)"
              R"("mode":"1280 × 720","secondsLeft":9}})");
}

// The page's byte count and the 403 status line are checked against curl in the server tests.
TEST(HttpResponse, BytesAreExact) {
    EXPECT_EQ(responseBytes({200, QStringLiteral("ok"), QStringLiteral("text/plain")}),
              QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 2\r\n"
                         "Connection: close\r\nCache-Control: no-store\r\n\r\nok"));
    EXPECT_TRUE(responseBytes({429, QStringLiteral("locked"), QStringLiteral("text/plain")})
                    .startsWith("HTTP/1.1 429 Too Many Requests\r\n"));
}

}  // namespace
}  // namespace lumenor
