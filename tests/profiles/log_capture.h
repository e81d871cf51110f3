#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace lumenor::test {

// Collects the messages logged while it lives, as "<category>: <message>".
class LogCapture {
  public:
    LogCapture() {
        lines().clear();
        previous_ = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture() { qInstallMessageHandler(previous_); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    static QStringList& lines() {
        static QStringList list;
        return list;
    }

  private:
    static void handle(QtMsgType, const QMessageLogContext& context, const QString& message) {
        lines().push_back(QString::fromLatin1(context.category ? context.category : "default") +
                          QStringLiteral(": ") + message);
    }
    QtMessageHandler previous_ = nullptr;
};

}  // namespace lumenor::test
