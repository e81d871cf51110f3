#include "support/process.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>

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

ProcessResult runOnTerminal(const QString& program, const QStringList& args,
                            const QProcessEnvironment& env, int timeoutMs) {
    ProcessResult r;
    int terminal = -1;
    int side = -1;
    if (::openpty(&terminal, &side, nullptr, nullptr, nullptr) != 0) {
        r.err = "could not open a terminal";
        return r;
    }
    ::fcntl(terminal, F_SETFL, O_NONBLOCK);
    QProcess p;
    p.setProcessEnvironment(env);
    // Runs in the child once QProcess has set up its pipes.
    p.setChildProcessModifier([side] {
        ::dup2(side, STDOUT_FILENO);
        ::dup2(side, STDERR_FILENO);
    });
    p.start(program, args);
    const bool started = p.waitForStarted(10000);
    ::close(side);
    const auto drain = [&] {
        char buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(terminal, buffer, sizeof(buffer))) > 0) {
            r.out.append(buffer, n);
        }
    };
    if (started) {
        p.closeWriteChannel();
        QElapsedTimer waited;
        waited.start();
        while (p.state() != QProcess::NotRunning && waited.elapsed() < timeoutMs) {
            p.waitForFinished(50);
            drain();
        }
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(5000);
        } else {
            r.crashed = p.exitStatus() == QProcess::CrashExit;
            r.exitCode = r.crashed ? -1 : p.exitCode();
        }
        drain();
    } else {
        r.err = "could not start " + program.toLocal8Bit();
    }
    ::close(terminal);
    return r;
}

std::vector<int> processesWithArguments(const QStringList& arguments) {
    std::vector<int> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool isPid = false;
        const int pid = entry.toInt(&isPid);
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (!isPid || !cmdline.open(QIODevice::ReadOnly)) {
            continue;
        }
        QStringList args;
        for (const QByteArray& a : cmdline.readAll().split('\0')) {
            args << QString::fromLocal8Bit(a);
        }
        const bool all = std::all_of(arguments.begin(), arguments.end(),
                                     [&](const QString& a) { return args.contains(a); });
        if (all && !arguments.isEmpty()) {
            found.push_back(pid);
        }
    }
    return found;
}

QString lumenorBinary() {
    const QByteArray bin = qgetenv("LUMENOR_BIN");
    return bin.isEmpty() ? QStringLiteral("lumenor") : QString::fromLocal8Bit(bin);
}

QProcessEnvironment withoutDisplay() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return env;
}

void acceptAgreementIn(QProcessEnvironment& env, const QString& folder) {
    const QString support = folder + QStringLiteral("/org.lumenor.Lumenor");
    QDir().mkpath(support);
    QFile file(support + QStringLiteral("/agreement.json"));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(R"({"version":"1","acceptedAt":1780000000})");
    }
    env.insert(QStringLiteral("XDG_DATA_HOME"), folder);
}

}  // namespace lumenor::test
