#include "core/log.h"

#include <systemd/sd-journal.h>
#include <unistd.h>

#include <sys/stat.h>
#include <cstdio>

#include "core/app_id.h"
#include "core/visible_text.h"

namespace lumenor {

Q_LOGGING_CATEGORY(logDisplay, LUMENOR_APP_ID ".display", QtInfoMsg)
Q_LOGGING_CATEGORY(logRemote, LUMENOR_APP_ID ".remote", QtInfoMsg)
Q_LOGGING_CATEGORY(logApp, LUMENOR_APP_ID ".app", QtInfoMsg)

namespace {

bool journalPresent() {
    struct stat st {};
    return ::stat("/run/systemd/journal/socket", &st) == 0;
}

bool g_toJournal = false;
bool g_toStderr = true;

void handler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const LogRecord rec = makeLogRecord(type, context.category, message);
    if (g_toJournal) {
        const QByteArray msg = rec.message.toUtf8();
        const QByteArray cat = rec.category.toUtf8();
        sd_journal_send("MESSAGE=%s", msg.constData(), "PRIORITY=%d", rec.priority,
                        "SYSLOG_IDENTIFIER=lumenor", "LUMENOR_CATEGORY=%s", cat.constData(),
                        nullptr);
    }
    if (g_toStderr) {
        const QByteArray line = QStringLiteral("[%1] %2\n")
                                    .arg(rec.category, withVisibleControls(rec.message, u"\n\t"))
                                    .toUtf8();
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    }
}

}  // namespace

LogRecord makeLogRecord(QtMsgType type, const char* category, const QString& message) {
    int priority = 6;
    switch (type) {
        case QtCriticalMsg:
        case QtFatalMsg:
            priority = 3;
            break;
        case QtWarningMsg:
            priority = 4;
            break;
        case QtDebugMsg:
            priority = 7;
            break;
        case QtInfoMsg:
            priority = 6;
            break;
    }
    return {priority, QString::fromUtf8(category ? category : "default"), message};
}

void installLogHandler() {
    g_toJournal = journalPresent();
    g_toStderr = !g_toJournal || ::isatty(STDERR_FILENO) != 0;
    qInstallMessageHandler(handler);
}

}  // namespace lumenor
