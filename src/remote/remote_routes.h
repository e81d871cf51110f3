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

// What the phone's page shows of the application: the pattern and whether the output is up.
struct RemoteSnapshot {
    QString pattern;  // the raw name
    bool outputShown = false;
};

struct RouteResult {
    RouteAnswer answer;
    std::optional<RemoteCommand> command;
};

// "POST /cmd" is the command route and "GET /state" answers `snapshot`, both guarded by the
// gate; a lockout's answer says its seconds left after `now` (the gate's clock). Anything else
// gets the page.
RouteResult routeRequest(const HttpRequest& request, CommandGate& gate,
                         const RemoteSnapshot& snapshot, double now);

}  // namespace lumenor
