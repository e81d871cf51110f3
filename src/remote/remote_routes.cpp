#include "remote/remote_routes.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

#include "remote/remote_page.h"

namespace lumenor {

namespace {

std::optional<QString> field(const RemoteParams& params, const char* name) {
    const auto it = params.find(QString::fromLatin1(name));
    return it == params.end() ? std::nullopt : std::optional<QString>(it->second);
}

// The refusal for a request the gate does not let through, none for one it accepts.
std::optional<RouteAnswer> refusal(const HttpRequest& request, CommandGate& gate, double now) {
    const QString plain = QStringLiteral("text/plain");
    switch (gate.check(field(request.params, "pin"))) {
        case CommandGate::Verdict::locked: {
            // The page counts the seconds down for the operator.
            const auto left = static_cast<int>(std::ceil(std::max(0.0, gate.lockoutUntil() - now)));
            return RouteAnswer{429, QStringLiteral("locked %1").arg(left), plain};
        }
        case CommandGate::Verdict::forbidden:
            return RouteAnswer{403, QStringLiteral("forbidden"), plain};
        case CommandGate::Verdict::accepted:
            break;
    }
    return std::nullopt;
}

RouteResult commandRoute(const HttpRequest& request, CommandGate& gate, double now) {
    if (std::optional<RouteAnswer> refused = refusal(request, gate, now)) {
        return {*refused, std::nullopt};
    }
    RouteResult result{{200, QStringLiteral("ok"), QStringLiteral("text/plain")}, std::nullopt};
    if (const std::optional<QString> verb = field(request.params, "verb")) {
        result.command = RemoteCommand{*verb, request.params};
    }
    return result;
}

RouteResult stateRoute(const HttpRequest& request, CommandGate& gate,
                       const RemoteSnapshot& snapshot, double now) {
    if (std::optional<RouteAnswer> refused = refusal(request, gate, now)) {
        return {*refused, std::nullopt};
    }
    const QJsonObject state{{QStringLiteral("pattern"), snapshot.pattern},
                            {QStringLiteral("output"), snapshot.outputShown}};
    return {{200, QString::fromUtf8(QJsonDocument(state).toJson(QJsonDocument::Compact)),
             QStringLiteral("application/json")},
            std::nullopt};
}

}  // namespace

RouteResult routeRequest(const HttpRequest& request, CommandGate& gate,
                         const RemoteSnapshot& snapshot, double now) {
    if (request.method == QLatin1String("POST") && request.path == QLatin1String("/cmd")) {
        return commandRoute(request, gate, now);
    }
    if (request.method == QLatin1String("GET") && request.path == QLatin1String("/state")) {
        return stateRoute(request, gate, snapshot, now);
    }
    return {{200, remotePage(), QStringLiteral("text/html; charset=utf-8")}, std::nullopt};
}

}  // namespace lumenor
