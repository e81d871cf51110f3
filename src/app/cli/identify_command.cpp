#include <QApplication>
#include <QTimer>

#include "app/app_core.h"
#include "app/cli/cli_support.h"
#include "app/cli/commands.h"
#include "app/platform_session.h"

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
    const std::unique_ptr<PlatformSession> session =
        PlatformSession::openOrExplain(argv[0], QtUse::widgets);
    std::optional<AppPlatforms> platforms =
        session ? session->appPlatformsOrExplain(PlatformUse::command) : std::nullopt;
    if (!platforms) {
        return kExitEnvironment;
    }
    if (!DisplayIdentifier::canPlaceCards()) {
        printError(QStringLiteral("identify: %1")
                       .arg(QLatin1String(DisplayIdentifier::cannotPlaceCardsText())));
        return kExitEnvironment;
    }
    AppCore core(std::move(*platforms), {});
    core.start();
    core.identifier.show(core.state.displays, *duration);
    QTimer::singleShot(static_cast<int>(*duration * 1000.0) + 100, &session->app(),
                       &QApplication::quit);
    return QApplication::exec();
}

}  // namespace lumenor::cli
