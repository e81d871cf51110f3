#pragma once

#include <optional>

#include "remote/command_gate.h"
#include "remote/http_request.h"
#include "remote/http_response.h"

namespace lumenor {

// A command that passed the PIN check, to be handed to the application.
struct RemoteCommand {
    QString verb;
    RemoteParams params;  // the whole table, "verb" and "pin" included
};

struct RouteResult {
    RouteAnswer answer;
    std::optional<RemoteCommand> command;
};

// Who sent a request.
struct RequestSource {
    QString client;  // the peer's address, as the gate counts it
};

// "POST /cmd" is the command route, guarded by the gate; anything else gets the page.
RouteResult routeRequest(const HttpRequest& request, CommandGate& gate,
                         const RequestSource& source);

}  // namespace lumenor
