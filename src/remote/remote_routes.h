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

// "POST /cmd" is the command route, guarded by the gate; anything else gets the page.
RouteResult routeRequest(const HttpRequest& request, CommandGate& gate);

}  // namespace lumenor
