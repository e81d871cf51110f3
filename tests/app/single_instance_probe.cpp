// Claims the desktop session the way lumenor does and reports on standard output:
// "claimed" (then "activated" and the request's activation token, if any, for each raise
// request, until standard input closes) or
// "raised" (exit status 3) when another holder was asked to raise its window.
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QString>

#include <unistd.h>

#include <cstdio>

#include "app/single_instance.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    auto session = lumenor::SingleInstance::claim();
    if (!session) {
        std::puts("raised");
        return 3;
    }
    session->onActivate = [](const QString& token) {
        std::puts(qPrintable(token.isEmpty() ? QStringLiteral("activated")
                                             : QStringLiteral("activated ") + token));
        std::fflush(stdout);
    };
    std::puts("claimed");
    std::fflush(stdout);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&input] {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof(buffer)) <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
        }
    });
    return QCoreApplication::exec();
}
