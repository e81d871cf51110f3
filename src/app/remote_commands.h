#pragma once

#include <QString>

#include <optional>

#include "controller/verb.h"
#include "remote/http_request.h"

namespace lumenor {

// The verb a phone-remote command stands for, by exact comparison of its name and values;
// none for a command it does not know.
std::optional<Verb> verbForRemoteCommand(const QString& command, const RemoteParams& params);

}  // namespace lumenor
