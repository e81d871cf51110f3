#include "support/process.h"

#include <QProcess>

namespace lumenor::test {

ProcessResult runProcess(const QString& program, const QStringList& args,
                         const QProcessEnvironment& env, int timeoutMs, const QByteArray& input) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    ProcessResult r;
    if (!p.waitForStarted(10000)) {
        r.err = "could not start " + program.toLocal8Bit();
        return r;
    }
    if (!input.isEmpty()) {
        p.write(input);
    }
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }
    r.crashed = p.exitStatus() == QProcess::CrashExit;
    r.exitCode = r.crashed ? -1 : p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QString lumenorBinary() {
    const QByteArray bin = qgetenv("LUMENOR_BIN");
    return bin.isEmpty() ? QStringLiteral("lumenor") : QString::fromLocal8Bit(bin);
}

}  // namespace lumenor::test
