#include <QApplication>
#include <QHostAddress>
#include <QTimer>

#include <cmath>
#include <cstdio>

#include "app/cli/cli_support.h"
#include "app/cli/commands.h"
#include "app/cli/show_remote.h"
#include "app/cli/x_session.h"
#include "audio/marker_stream.h"
#include "displays/display_service.h"
#include "displays/present_refresh_link.h"
#include "output/frame_status_text.h"
#include "output/output_window_controller.h"

namespace lumenor::cli {

namespace {

QString patternList() {
    QStringList names;
    for (const Pattern p : allPatterns()) {
        names << rawName(p);
    }
    return names.join(QStringLiteral(", "));
}

void printFrameReport(double hz, int dropped, bool steady) {
    std::printf("frame %.2f Hz dropped %d %s\n", hz, dropped, steady ? "steady" : "unsteady");
    std::fflush(stdout);
}

void printFrameTimingUnavailable() {
    const QByteArray line =
        QStringLiteral("frame not measured: %1\n").arg(frameTimingUnavailableText().text).toUtf8();
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fflush(stdout);
}

}  // namespace

int runShow(int argc, char** argv) {
    QCommandLineParser parser;
    const QCommandLineOption display(QStringLiteral("display"), QStringLiteral("display id"),
                                     QStringLiteral("ID"));
    const QCommandLineOption mirror(QStringLiteral("mirror"), QStringLiteral("mirror"));
    const QCommandLineOption info(QStringLiteral("info"), QStringLiteral("info card"));
    const QCommandLineOption seconds(QStringLiteral("seconds"), QStringLiteral("how long"),
                                     QStringLiteral("N"));
    const QCommandLineOption remote(QStringLiteral("remote"), QStringLiteral("phone remote"));
    const QCommandLineOption remoteAddress(QStringLiteral("remote-address"),
                                           QStringLiteral("address given to the phone"),
                                           QStringLiteral("ADDRESS"));
    const QCommandLineOption avOffset(QStringLiteral("av-offset"),
                                      QStringLiteral("sound against picture, ms"),
                                      QStringLiteral("MS"));
    parser.addOptions({display, mirror, info, seconds, avOffset, remote, remoteAddress});
    if (!parseOrExplain(parser, argc, argv, "show")) {
        return kExitUsage;
    }
    const QStringList args = parser.positionalArguments();
    if (args.size() != 1) {
        printError(QStringLiteral("show: name one pattern (%1)").arg(patternList()));
        return kExitUsage;
    }
    const std::optional<Pattern> pattern = patternFromRawName(args.front());
    if (!pattern) {
        printError(QStringLiteral("show: unknown pattern '%1'; the patterns are: %2")
                       .arg(args.front(), patternList()));
        return kExitUsage;
    }
    std::optional<DisplayId> wanted;
    if (!displayOption(parser, display, "show", &wanted)) {
        return kExitUsage;
    }
    double duration = 0.0;
    if (parser.isSet(seconds)) {
        const std::optional<double> parsed = parseSeconds(parser.value(seconds), 86400.0);
        if (!parsed) {
            printError(QStringLiteral("show: --seconds takes a number of seconds above 0"));
            return kExitUsage;
        }
        duration = *parsed;
    }
    double offsetMs = 0.0;
    if (parser.isSet(avOffset)) {
        bool ok = false;
        offsetMs = parser.value(avOffset).toDouble(&ok);
        if (!ok || !(std::fabs(offsetMs) <= OutputWindowController::kLargestSyncOffsetMs)) {
            printError(QStringLiteral("show: --av-offset takes milliseconds from -%1 to %1")
                           .arg(OutputWindowController::kLargestSyncOffsetMs));
            return kExitUsage;
        }
    }
    std::optional<QString> address;
    if (parser.isSet(remoteAddress)) {
        const QHostAddress given(parser.value(remoteAddress));
        if (!parser.isSet(remote) || given.protocol() != QAbstractSocket::IPv4Protocol) {
            printError(
                QStringLiteral("show: --remote-address takes an IPv4 address, with --remote"));
            return kExitUsage;
        }
        address = given.toString();
    }
    if (parser.isSet(remote)) {
        address = remoteAddressOrExplain(address);
        if (!address) {
            return kExitEnvironment;
        }
    }

    const std::unique_ptr<XSession> xSession = openXSessionOrExplain(argv[0], QtUse::widgets);
    if (!xSession) {
        return kExitEnvironment;
    }
    DisplayService& displays = xSession->displays;
    const DisplayInfo* target = chooseDisplayOrExplain(displays.displays(), wanted, "show");
    if (target == nullptr) {
        return kExitUsage;
    }
    const DisplayInfo chosen = *target;

    PresentRefreshLinkFactory links;
    OutputWindowController output(links, makeMarkerStream(QStringLiteral("Lumenor sync markers")));
    output.setSyncOffsetMs(offsetMs);
    output.screenForDisplay = [&](DisplayId id) { return displays.screenForDisplay(id); };
    output.displayIdForScreen = [&](QScreen* s) { return displays.displayIdForScreen(s); };
    output.onFrameUpdate = printFrameReport;
    output.onFrameTimingUnavailable = printFrameTimingUnavailable;
    output.patternView().onCycle = [&](int step) {
        output.setPattern(next(output.patternView().pattern(), step));
    };
    output.patternView().onClose = [] { QApplication::quit(); };
    output.setMirrorOn(parser.isSet(mirror));
    output.showDisplayInfo(chosen);
    output.setInfoVisible(parser.isSet(info));
    output.show(chosen, *pattern);
    if (!output.isShown()) {
        printError(QStringLiteral("show: display %1 has no screen to show on").arg(chosen.id));
        return kExitEnvironment;
    }
    displays.onChange = [&](const std::vector<DisplayInfo>& list) {
        for (const DisplayInfo& d : list) {
            if (d.id == output.currentDisplayID()) {
                output.reposition(d);
                output.showDisplayInfo(d);
            }
        }
        output.rebuildMirrors();
    };
    displays.start();
    std::optional<ShowRemote> phone;
    if (address) {
        // Hiding the output from the phone must not end the program.
        QApplication::setQuitOnLastWindowClosed(false);
        phone.emplace(output, displays, chosen.id, *address);
        phone->start();
    }
    if (duration > 0.0) {
        QTimer::singleShot(static_cast<int>(duration * 1000.0), xSession->app.get(),
                           &QApplication::quit);
    }
    const int status = QApplication::exec();
    output.hide();
    return status == 0 ? kExitOk : kExitEnvironment;
}

}  // namespace lumenor::cli
