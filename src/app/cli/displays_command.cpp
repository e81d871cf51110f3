#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

#include "app/cli/cli_support.h"
#include "app/cli/commands.h"
#include "app/display_report.h"
#include "app/platform_session.h"
#include "core/visible_text.h"
#include "displays/display_modes.h"
#include "displays/display_service.h"

namespace lumenor::cli {

namespace {

void printJsonLine(const std::vector<DisplayInfo>& displays) {
    QJsonArray array;
    for (const DisplayInfo& d : displays) {
        array.append(d.toJson());
    }
    const QByteArray line =
        jsonWithVisibleControls(QJsonDocument(array).toJson(QJsonDocument::Compact)) + '\n';
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fflush(stdout);
}

// The display report, as the application copies it to the clipboard; it ends in a line feed.
int printReport(char* program) {
    // A GUI application, as Lumenor's own: only Qt's screens know the desktop's scale, so
    // only with them do points and "scaled" come out as the application reports them.
    const std::unique_ptr<PlatformSession> session =
        PlatformSession::openOrExplain(program, QtUse::gui);
    const std::unique_ptr<ModePlatform> modes =
        session ? session->modePlatformOrExplain() : nullptr;
    if (!modes) {
        return kExitEnvironment;
    }
    const DisplayService& service = session->displays();
    std::vector<DisplayInfo> displays = service.displays();
    for (DisplayInfo& d : displays) {
        d.name = withVisibleControls(d.name);
    }
    const QByteArray text = buildReport(
                                displays, [&](DisplayId id) { return modesForDisplay(*modes, id); },
                                service.seenThroughXwayland(), service.isNativeWayland())
                                .toUtf8();
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
    return kExitOk;
}

}  // namespace

int runDisplays(int argc, char** argv) {
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("JSON output"));
    const QCommandLineOption watch(QStringLiteral("watch"), QStringLiteral("follow changes"));
    parser.addOption(json);
    parser.addOption(watch);
    if (!parseOrExplain(parser, argc, argv, "displays")) {
        return kExitUsage;
    }
    if (!parser.positionalArguments().isEmpty() || (parser.isSet(watch) && !parser.isSet(json))) {
        printError(QStringLiteral("displays: expected no arguments, or --json [--watch]"));
        return kExitUsage;
    }
    if (!parser.isSet(json)) {
        return printReport(argv[0]);
    }

    const std::unique_ptr<PlatformSession> session =
        PlatformSession::openOrExplain(argv[0], QtUse::gui);
    if (!session) {
        return kExitEnvironment;
    }
    if (!parser.isSet(watch)) {
        printJsonLine(session->displays().displays());
        return kExitOk;
    }
    session->displays().onChange = printJsonLine;
    session->displays().start();
    return QGuiApplication::exec();
}

}  // namespace lumenor::cli
