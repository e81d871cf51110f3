#pragma once

#include <QtGlobal>

#include <cstddef>
#include <vector>

namespace lumenor {

// What an open connection of the phone remote has done so far.
struct ConnectionStanding {
    quint32 client = 0;  // the peer's IPv4 address
    double age = 0.0;    // seconds since it was accepted
    qint64 bytesReceived = 0;
    bool answered = false;      // its response is being sent or has gone
    bool responseSent = false;  // the whole response has gone; only lingering now
};

// The connection to close when a new one needs room: one that has only been lingering after
// its response if any, the oldest first; else the one that has achieved least for its age,
// each connection weighed down by how many others its address holds, so that a host that
// opens many connections pushes out its own. A connection whose response is still being sent
// goes last. `open` must not be empty.
std::size_t evictionVictim(const std::vector<ConnectionStanding>& open);

}  // namespace lumenor
