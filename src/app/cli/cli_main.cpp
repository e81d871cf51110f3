#include <cstdio>
#include <cstring>

#include "app/cli/cli.h"
#include "app/cli/cli_support.h"
#include "app/desktop_app.h"
#include "core/app_id.h"
#include "displays/mutter_mode_platform.h"
#include "displays/xrandr_mode_guardian.h"

#include <unistd.h>

namespace lumenor::cli {

namespace {

QString helpText() {
    QString text =
        QStringLiteral(
            "Lumenor %1: test patterns, display modes and test signals for displays and the\n"
            "video chains behind them.\n\n"
            "usage: lumenor                 start the desktop application\n"
            "       lumenor COMMAND [OPTIONS]\n"
            "       lumenor --help | --version\n\ncommands:\n")
            .arg(QLatin1String(kVersion));
    for (const Command& c : commands()) {
        text +=
            QStringLiteral("  %1 %2\n      %3\n")
                .arg(QLatin1String(c.name), QLatin1String(c.synopsis), QLatin1String(c.summary));
    }
    return text;
}

void write(std::FILE* to, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), to);
}

}  // namespace

int run(int argc, char** argv) {
    if (argc < 2) {
        return runDesktopApp(argv[0]);
    }
    const char* first = argv[1];
    if (std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0 ||
        std::strcmp(first, "help") == 0) {
        write(stdout, helpText());
        return kExitOk;
    }
    if (std::strcmp(first, "--version") == 0) {
        write(stdout, QStringLiteral("lumenor %1\n").arg(QLatin1String(kVersion)));
        return kExitOk;
    }
    if (std::strcmp(first, kModeGuardianCommand) == 0 && argc == 3) {
        return runModeGuardian(STDIN_FILENO, STDOUT_FILENO, argv[2]);
    }
    if (std::strcmp(first, kGnomeModeGuardianCommand) == 0 && argc == 3) {
        return runMutterModeGuardian(STDIN_FILENO, STDOUT_FILENO, argv[2]);
    }
    for (const Command& c : commands()) {
        if (std::strcmp(first, c.name) == 0) {
            return c.run(argc - 1, argv + 1);
        }
    }
    printError(QStringLiteral("unknown command or option '%1'").arg(QString::fromLocal8Bit(first)));
    write(stderr, helpText());
    return kExitUsage;
}

}  // namespace lumenor::cli
