#pragma once

#include <QString>

#include <optional>

#include "displays/display_info.h"
#include "output/display_identifier.h"
#include "patterns/pattern.h"
#include "remote/remote_server.h"

namespace lumenor {
class DisplayService;
class OutputWindowController;
}  // namespace lumenor

namespace lumenor::cli {

// The phone remote beside `lumenor show`: it listens, prints its address, PIN and QR code,
// and carries the phone's commands out on the output (pattern, cycle, show/hide, blank,
// identify), printing one line for each.
class ShowRemote {
  public:
    ShowRemote(OutputWindowController& output, DisplayService& displays, DisplayId display,
               const QString& address);

    // Reports through the printed lines; a failed start ends the event loop with status 1.
    void start();

  private:
    void carryOut(const QString& command, const RemoteParams& params);
    void showOn(Pattern pattern);

    OutputWindowController& output_;
    DisplayService& displays_;
    DisplayId display_;
    DisplayIdentifier identifier_;
    RemoteServer server_;
};

// The address to give the phone: `chosen` when the operator named one, else the machine's
// own; none after one line on standard error saying what is missing.
std::optional<QString> remoteAddressOrExplain(const std::optional<QString>& chosen);

}  // namespace lumenor::cli
