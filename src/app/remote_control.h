#pragma once

#include <QString>

#include <functional>
#include <optional>

#include "app/page_sink.h"
#include "remote/remote_server.h"

namespace lumenor {

// Turns the phone remote on and off and tells the page its address, PIN and QR code. Main
// thread only.
class RemoteControl {
  public:
    struct Hooks {
        PageSink send;
        // Once a start has finished: the address and QR code, or none when it failed. May be
        // unset.
        RemoteServer::Completion started;
    };

    RemoteControl(RemoteServer& server, Hooks hooks);

    void set(bool on);

  private:
    void pushStatus(const std::optional<QString>& url, const QString& pin,
                    const std::optional<QString>& qr);

    RemoteServer& server_;
    Hooks hooks_;
};

}  // namespace lumenor
