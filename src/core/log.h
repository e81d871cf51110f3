#pragma once

#include <QLoggingCategory>

namespace lumenor {

Q_DECLARE_LOGGING_CATEGORY(logDisplay)
Q_DECLARE_LOGGING_CATEGORY(logRemote)
Q_DECLARE_LOGGING_CATEGORY(logApp)

// Routes Qt's messages to the systemd journal and, when standard error is a terminal or the
// journal is absent, to standard error as well.
void installLogHandler();

// One journal/stderr record as the handler would write it; exposed for tests.
struct LogRecord {
    int priority;      // syslog priority: 6 info, 3 error
    QString category;  // the Qt category name, e.g. "<identifier>.display"
    QString message;
};
LogRecord makeLogRecord(QtMsgType type, const char* category, const QString& message);

}  // namespace lumenor
