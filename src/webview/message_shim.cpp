#include "webview/message_shim.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace lumenor {

QString messageShimScript(const QString& channelLibrary, const QStringList& handlerNames) {
    const QString names = QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(handlerNames)).toJson(QJsonDocument::Compact));
    // The channel library goes inside the function so that QWebChannel stays out of the
    // page's globals. Frozen objects keep page scripts from swapping a handler out.
    return QStringLiteral(
               "(function () {\n%1\n"
               "const names = %2;\n"
               "const queue = [];\n"
               "let receiver = null;\n"
               "function send(name, body) {\n"
               "  let text;\n"
               "  try { text = JSON.stringify([body]); } catch (e) { return; }\n"
               "  if (receiver) { receiver.post(name, text); } else { queue.push([name, text]); }\n"
               "}\n"
               "const handlers = {};\n"
               "for (const name of names) {\n"
               "  handlers[name] = Object.freeze({ postMessage: (body) => send(name, body) });\n"
               "}\n"
               "Object.defineProperty(window, 'webkit', {\n"
               "  value: Object.freeze({ messageHandlers: Object.freeze(handlers) }),\n"
               "  enumerable: false, configurable: false, writable: false });\n"
               "new QWebChannel(qt.webChannelTransport, (channel) => {\n"
               "  receiver = channel.objects['%3'];\n"
               "  for (const [name, text] of queue.splice(0)) { receiver.post(name, text); }\n"
               "});\n"
               "})();\n")
        .arg(channelLibrary, names, QLatin1String(kMessageReceiverName));
}

std::optional<QVariant> decodePostedBody(const QString& text) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray() || doc.array().size() != 1) {
        return std::nullopt;
    }
    return doc.array().at(0).toVariant();
}

}  // namespace lumenor
