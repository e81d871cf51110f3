#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <vector>

namespace lumenor::test {

// Collects the messages logged while it lives, as "<category>: <message>", and their types.
class LogCapture {
  public:
    LogCapture() {
        lines().clear();
        types().clear();
        previous_ = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture() { qInstallMessageHandler(previous_); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    static QStringList& lines() {
        static QStringList list;
        return list;
    }
    static std::vector<QtMsgType>& types() {
        static std::vector<QtMsgType> list;
        return list;
    }

  private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
        types().push_back(type);
        lines().push_back(QString::fromLatin1(context.category ? context.category : "default") +
                          QStringLiteral(": ") + message);
    }
    QtMessageHandler previous_ = nullptr;
};

}  // namespace lumenor::test
