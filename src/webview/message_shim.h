#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace lumenor {

// The name under which the host's receiving object is published on the web channel.
inline constexpr const char* kMessageReceiverName = "lumenorHost";

// The script run in the page before any script of its own: it defines
// window.webkit.messageHandlers.<name>.postMessage(body) for each of `handlerNames`, on top of
// the web channel's client library `channelLibrary` (kept private to the script). Each body
// travels as the JSON text of a one-element array; messages posted before the channel is up
// are queued and sent in posting order once it is.
QString messageShimScript(const QString& channelLibrary, const QStringList& handlerNames);

// The body a page posted, from the text the shim sent: a QVariantMap, QVariantList, QString,
// qlonglong, double, bool or null. None when the text is not a one-element JSON array.
std::optional<QVariant> decodePostedBody(const QString& text);

}  // namespace lumenor
