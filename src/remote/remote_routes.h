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

// A mode on trial, as the phone shows it while it waits for Keep or Revert.
struct RemoteTrial {
    QString display;  // the display's name
    QString mode;     // "1920 × 1080 at 60.00 Hz"
    int secondsLeft = 0;
};

// What the phone's page shows of the application: the pattern, whether the output is up and
// the mode on trial, if any.
struct RemoteSnapshot {
    QString pattern;  // the raw name
    bool outputShown = false;
    std::optional<RemoteTrial> trial;
};

struct RouteResult {
    RouteAnswer answer;
    std::optional<RemoteCommand> command;
};

// Who sent a request and where it arrived.
struct RequestSource {
    QString client;     // the peer's address, as the gate counts it
    QString ownOrigin;  // "http://ADDRESS:PORT" of the address the connection came in on
};

// "POST /cmd" is the command route and "GET /state" answers `snapshot` (with a "trial" object
// only while one runs), both guarded by the gate; a lockout's answer says its seconds left.
// Anything else gets the page. A command sent by a page of another origin is refused before
// its PIN is looked at, so that other sites a browser on the network opens can neither drive
// nor lock out the remote.
RouteResult routeRequest(const HttpRequest& request, CommandGate& gate, const RequestSource& source,
                         const RemoteSnapshot& snapshot);

// "scheme://host:port" of a URL, the port always written; none when it has no host.
std::optional<QString> originOf(const QString& url);

}  // namespace lumenor
