#include <QApplication>
#include <QTimer>

#include "app/cli/cli_support.h"
#include "app/cli/commands.h"
#include "app/cli/x_session.h"
#include "displays/display_service.h"
#include "output/display_identifier.h"

namespace lumenor::cli {

int runIdentify(int argc, char** argv) {
    QCommandLineParser parser;
    const QCommandLineOption seconds(QStringLiteral("seconds"), QStringLiteral("how long"),
                                     QStringLiteral("S"), QStringLiteral("3"));
    parser.addOption(seconds);
    if (!parseOrExplain(parser, argc, argv, "identify")) {
        return kExitUsage;
    }
    const std::optional<double> duration = parseSeconds(parser.value(seconds), 3600.0);
    if (!duration || !parser.positionalArguments().isEmpty()) {
        printError(QStringLiteral("identify: --seconds takes a number of seconds from 0 to 3600"));
        return kExitUsage;
    }
    const std::unique_ptr<XSession> xSession = openXSessionOrExplain(argv[0], QtUse::widgets);
    if (!xSession) {
        return kExitEnvironment;
    }
    const DisplayService& displays = xSession->displays;
    DisplayIdentifier identifier;
    identifier.screenForDisplay = [&](DisplayId id) { return displays.screenForDisplay(id); };
    identifier.show(displays.displays(), *duration);
    QTimer::singleShot(static_cast<int>(*duration * 1000.0) + 100, xSession->app.get(),
                       &QApplication::quit);
    return QApplication::exec();
}

}  // namespace lumenor::cli
