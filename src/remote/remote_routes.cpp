#include "remote/remote_routes.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include "remote/remote_page.h"

namespace lumenor {

namespace {

constexpr int kHttpPort = 80;
constexpr int kHttpsPort = 443;

std::optional<QString> field(const RemoteParams& params, const char* name) {
    const auto it = params.find(QString::fromLatin1(name));
    return it == params.end() ? std::nullopt : std::optional<QString>(it->second);
}

// A request without Origin or Referer comes from no web page (curl, scripts) and passes.
bool fromOwnPage(const HttpRequest& request, const QString& ownOrigin) {
    const std::optional<QString>& sender = request.origin ? request.origin : request.referer;
    return !sender || originOf(*sender) == ownOrigin;
}

// The refusal for a request that does not get through, none for one that does.
std::optional<RouteAnswer> refusal(const HttpRequest& request, CommandGate& gate,
                                   const RequestSource& source) {
    const QString plain = QStringLiteral("text/plain");
    if (!fromOwnPage(request, source.ownOrigin)) {
        return RouteAnswer{403, QStringLiteral("cross-origin"), plain};
    }
    switch (gate.check(source.client, field(request.params, "pin"))) {
        case CommandGate::Verdict::locked:
            // The page counts the seconds down for the operator.
            return RouteAnswer{
                429, QStringLiteral("locked %1").arg(gate.secondsLocked(source.client)), plain};
        case CommandGate::Verdict::forbidden:
            return RouteAnswer{403, QStringLiteral("forbidden"), plain};
        case CommandGate::Verdict::accepted:
            break;
    }
    return std::nullopt;
}

RouteResult commandRoute(const HttpRequest& request, CommandGate& gate,
                         const RequestSource& source) {
    if (std::optional<RouteAnswer> refused = refusal(request, gate, source)) {
        return {*refused, std::nullopt};
    }
    RouteResult result{{200, QStringLiteral("ok"), QStringLiteral("text/plain")}, std::nullopt};
    if (const std::optional<QString> verb = field(request.params, "verb")) {
        result.command = RemoteCommand{*verb, request.params};
    }
    return result;
}

RouteResult stateRoute(const HttpRequest& request, CommandGate& gate, const RequestSource& source,
                       const RemoteSnapshot& snapshot) {
    if (std::optional<RouteAnswer> refused = refusal(request, gate, source)) {
        return {*refused, std::nullopt};
    }
    QJsonObject state{{QStringLiteral("pattern"), snapshot.pattern},
                      {QStringLiteral("output"), snapshot.outputShown}};
    if (snapshot.trial) {
        state.insert(QStringLiteral("trial"),
                     QJsonObject{{QStringLiteral("display"), snapshot.trial->display},
                                 {QStringLiteral("mode"), snapshot.trial->mode},
                                 {QStringLiteral("secondsLeft"), snapshot.trial->secondsLeft}});
    }
    return {{200, QString::fromUtf8(QJsonDocument(state).toJson(QJsonDocument::Compact)),
             QStringLiteral("application/json")},
            std::nullopt};
}

}  // namespace

RouteResult routeRequest(const HttpRequest& request, CommandGate& gate, const RequestSource& source,
                         const RemoteSnapshot& snapshot) {
    if (request.method == QLatin1String("POST") && request.path == QLatin1String("/cmd")) {
        return commandRoute(request, gate, source);
    }
    if (request.method == QLatin1String("GET") && request.path == QLatin1String("/state")) {
        return stateRoute(request, gate, source, snapshot);
    }
    return {{200, remotePage(), QStringLiteral("text/html; charset=utf-8")}, std::nullopt};
}

std::optional<QString> originOf(const QString& url) {
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() || parsed.host().isEmpty()) {
        return std::nullopt;
    }
    const QString scheme = parsed.scheme().toLower();
    const int port = parsed.port(scheme == QLatin1String("https") ? kHttpsPort : kHttpPort);
    return QStringLiteral("%1://%2:%3").arg(scheme, parsed.host().toLower()).arg(port);
}

}  // namespace lumenor
