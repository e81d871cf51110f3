#include <QApplication>
#include <QHostAddress>
#include <QTimer>

#include <cmath>
#include <cstdio>

#include "app/app_core.h"
#include "app/cli/cli_support.h"
#include "app/cli/commands.h"
#include "app/platform_session.h"
#include "output/frame_status_text.h"
#include "patterns/video_levels.h"
#include "remote/qr_code.h"

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

void printLine(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

// The phone remote's address, PIN and QR code; a failed start ends the command with status 1.
void printRemoteStart(const std::optional<QString>& url, const QString& pin,
                      const std::optional<QString>&) {
    if (!url) {
        printError(QStringLiteral("show: the phone remote could not listen on a TCP port"));
        QCoreApplication::exit(kExitEnvironment);
        return;
    }
    printLine(QStringLiteral("phone remote: %1").arg(*url));
    printLine(QStringLiteral("PIN: %1").arg(pin));
    if (const std::optional<QrSymbol> symbol = encodeQr(*url)) {
        printLine(qrTerminalText(*symbol).chopped(1));
    }
}

// One line for each command the phone sent, once carried out.
void printRemoteVerb(const Verb& verb) {
    if (const auto* show = std::get_if<verbs::ShowPattern>(&verb)) {
        if (const std::optional<Pattern> pattern = patternFromRawName(show->name)) {
            printLine(QStringLiteral("remote: pattern %1").arg(rawName(*pattern)));
        }
    } else if (const auto* cycle = std::get_if<verbs::CyclePattern>(&verb)) {
        printLine(QStringLiteral("remote: cycle %1").arg(cycle->delta < 0 ? -1 : 1));
    } else if (const auto* visible = std::get_if<verbs::ShowOutput>(&verb)) {
        printLine(QStringLiteral("remote: output %1").arg(visible->value ? 1 : 0));
    } else if (std::holds_alternative<verbs::Blank>(verb)) {
        printLine(QStringLiteral("remote: blank"));
    } else if (std::holds_alternative<verbs::IdentifyDisplays>(verb)) {
        printLine(QStringLiteral("remote: identify"));
    }
}

// The address to give the phone: `chosen` when the operator named one, else the machine's
// own; none after one line on standard error saying what is missing.
std::optional<QString> remoteAddressOrExplain(const std::optional<QString>& chosen) {
    if (chosen) {
        return chosen;
    }
    std::optional<QString> own = systemLocalAddress();
    if (!own) {
        printError(QStringLiteral(
            "show: no network interface for the phone remote (a wired or wireless one that is "
            "up with an IPv4 address); --remote-address ADDRESS names the address to give it"));
    }
    return own;
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
    const QCommandLineOption range(QStringLiteral("range"),
                                   QStringLiteral("video range of the broadcast patterns"),
                                   QStringLiteral("full|limited"));
    parser.addOptions({display, mirror, info, seconds, avOffset, range, remote, remoteAddress});
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
    if (parser.isSet(range) && !rangeFromName(parser.value(range))) {
        printError(QStringLiteral("show: --range takes full or limited"));
        return kExitUsage;
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

    const std::unique_ptr<PlatformSession> session =
        PlatformSession::openOrExplain(argv[0], QtUse::widgets);
    std::optional<AppPlatforms> platforms =
        session ? session->appPlatformsOrExplain(PlatformUse::command) : std::nullopt;
    if (!platforms) {
        return kExitEnvironment;
    }
    if (address) {
        platforms->remote.localAddress = [a = *address]() -> std::optional<QString> { return a; };
    }
    const bool withRemote = address.has_value();
    CoreReports reports;
    reports.frame = printFrameReport;
    reports.frameTimingUnavailable = printFrameTimingUnavailable;
    // Without the phone nothing can bring a closed output back: closing it ends the command.
    reports.outputShown = [withRemote](bool shown) {
        if (!shown && !withRemote) {
            QApplication::quit();
        }
    };
    reports.remoteStarted = printRemoteStart;
    reports.remoteVerb = printRemoteVerb;
    AppCore core(std::move(*platforms), std::move(reports));
    core.start();
    const DisplayInfo* target = chooseDisplayOrExplain(core.state.displays, wanted, "show");
    if (target == nullptr) {
        return kExitUsage;
    }
    const DisplayId chosen = target->id;
    core.handle(verbs::SelectOutputDisplay{chosen});
    core.handle(verbs::ShowPattern{rawName(*pattern)});
    core.handle(verbs::SetSyncOffset{offsetMs});
    if (parser.isSet(range)) {
        core.handle(verbs::SetVideoRange{parser.value(range)});
    }
    core.handle(verbs::ShowOutput{true});
    if (!core.output.isShown()) {
        printError(QStringLiteral("show: display %1 has no screen to show on").arg(chosen));
        return kExitEnvironment;
    }
    if (parser.isSet(mirror)) {
        core.handle(verbs::SetMirror{true});
    }
    if (parser.isSet(info)) {
        core.handle(verbs::ShowInfo{true});
    }
    if (withRemote) {
        // Hiding the output from the phone must not end the program.
        QApplication::setQuitOnLastWindowClosed(false);
        core.handle(verbs::SetRemote{true});
    }
    if (duration > 0.0) {
        QTimer::singleShot(static_cast<int>(duration * 1000.0), &session->app(),
                           &QApplication::quit);
    }
    const int status = QApplication::exec();
    core.output.hide();
    return status == 0 ? kExitOk : kExitEnvironment;
}

}  // namespace lumenor::cli
