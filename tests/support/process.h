#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <vector>

namespace lumenor::test {

struct ProcessResult {
    int exitCode = -1;  // -1 when the process crashed or did not finish in time
    bool crashed = false;
    QByteArray out;
    QByteArray err;
};

// Runs a program to completion (killed after `timeoutMs`).
ProcessResult runProcess(const QString& program, const QStringList& args,
                         const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                         int timeoutMs = 30000, const QByteArray& input = {});

// Runs a program with its standard output and error on a terminal of its own (a pseudo
// terminal; standard input stays a pipe, closed at once) and returns what it wrote there as
// `out`, with the terminal's CR LF line ends. Killed after `timeoutMs`.
ProcessResult runOnTerminal(
    const QString& program, const QStringList& args,
    const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
    int timeoutMs = 30000);

// The ids of running processes whose command line holds every one of `arguments` as a whole
// argument.
std::vector<int> processesWithArguments(const QStringList& arguments);

// True while a mode guardian for the X display `displayName` runs.
inline bool modeGuardianRunning(const QString& displayName) {
    return !processesWithArguments({QStringLiteral("__mode-guardian"), displayName}).empty();
}

// The lumenor executable under test.
QString lumenorBinary();

// The system environment without an X or Wayland display.
QProcessEnvironment withoutDisplay();

// Points `env` at a data home in `folder` where the licence agreement is already accepted, so
// that lumenor opens its controller window at once.
void acceptAgreementIn(QProcessEnvironment& env, const QString& folder);

}  // namespace lumenor::test
