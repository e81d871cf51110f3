#pragma once

#include <QString>
#include <QVariant>

#include <functional>
#include <optional>

#include "controller/verb.h"

namespace lumenor {

// The handler name the controller page posts its commands to.
inline constexpr const char* kBridgeHandlerName = "bridge";

// Parses one script message, as the web channel delivers it (QVariantMap, QVariantList,
// QString, qlonglong, double, bool, null), into at most one verb. Pure: a message that cannot
// be parsed gives none and leaves no trace. Numbers that an identifier type cannot hold drop
// the message; nothing is wrapped or rounded.
std::optional<Verb> parseBridgeMessage(const QString& handlerName, const QVariant& body);

// The message entry point: parses the message and, when a verb results and `onVerb` is set,
// calls it once before returning.
void deliverBridgeMessage(const QString& handlerName, const QVariant& body,
                          const std::function<void(const Verb&)>& onVerb);

}  // namespace lumenor
