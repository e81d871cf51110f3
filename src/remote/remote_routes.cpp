#include "remote/remote_routes.h"

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

RouteResult commandRoute(const HttpRequest& request, CommandGate& gate,
                         const RequestSource& source) {
    const QString plain = QStringLiteral("text/plain");
    if (!fromOwnPage(request, source.ownOrigin)) {
        return {{403, QStringLiteral("cross-origin"), plain}, std::nullopt};
    }
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
