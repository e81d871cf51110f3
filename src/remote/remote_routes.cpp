#include "remote/remote_routes.h"

#include "remote/remote_page.h"

namespace lumenor {

namespace {

std::optional<QString> field(const RemoteParams& params, const char* name) {
    const auto it = params.find(QString::fromLatin1(name));
    return it == params.end() ? std::nullopt : std::optional<QString>(it->second);
}

RouteResult commandRoute(const HttpRequest& request, CommandGate& gate,
                         const RequestSource& source) {
    const QString plain = QStringLiteral("text/plain");
    switch (gate.check(source.client, field(request.params, "pin"))) {
        case CommandGate::Verdict::locked:
            return {{429, QStringLiteral("locked"), plain}, std::nullopt};
        case CommandGate::Verdict::forbidden:
            return {{403, QStringLiteral("forbidden"), plain}, std::nullopt};
        case CommandGate::Verdict::accepted:
            break;
    }
    RouteResult result{{200, QStringLiteral("ok"), plain}, std::nullopt};
    if (const std::optional<QString> verb = field(request.params, "verb")) {
        result.command = RemoteCommand{*verb, request.params};
    }
    return result;
}

}  // namespace

RouteResult routeRequest(const HttpRequest& request, CommandGate& gate,
                         const RequestSource& source) {
    if (request.method == QLatin1String("POST") && request.path == QLatin1String("/cmd")) {
        return commandRoute(request, gate, source);
    }
    return {{200, remotePage(), QStringLiteral("text/html; charset=utf-8")}, std::nullopt};
}

}  // namespace lumenor
