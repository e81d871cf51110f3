#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>
#include <utility>
#include <variant>
#include <vector>

#include "app/app_core.h"
#include "app/cli/cli_support.h"
#include "app/cli/commands.h"
#include "app/platform_session.h"
#include "calibration/calibration_log.h"
#include "calibration/calibration_request.h"

namespace lumenor::cli {

namespace {

// An option's value; one that is not a number reads as NaN, which no range takes.
std::optional<double> numberOption(const QCommandLineParser& parser,
                                   const QCommandLineOption& option) {
    if (!parser.isSet(option)) {
        return std::nullopt;
    }
    bool ok = false;
    const double value = parser.value(option).toDouble(&ok);
    return ok ? value : std::numeric_limits<double>::quiet_NaN();
}

struct Options {
    QCommandLineOption display{QStringLiteral("display"), QStringLiteral("display id"),
                               QStringLiteral("ID")};
    QCommandLineOption window{QStringLiteral("window"), QStringLiteral("patch area, percent"),
                              QStringLiteral("PERCENT")};
    QCommandLineOption background{QStringLiteral("background"),
                                  QStringLiteral("background grey 0-255"), QStringLiteral("L")};
    QCommandLineOption insertEvery{QStringLiteral("insert-every"),
                                   QStringLiteral("seconds between inserted greys"),
                                   QStringLiteral("S")};
    QCommandLineOption insertFor{QStringLiteral("insert-for"),
                                 QStringLiteral("seconds each inserted grey shows"),
                                 QStringLiteral("S")};
    QCommandLineOption insertGrey{QStringLiteral("insert-grey"),
                                  QStringLiteral("inserted grey 0-255"), QStringLiteral("L")};
};

// The patch options the operator gave, or none after a message.
std::optional<PatchOptions> patchOptions(const QCommandLineParser& parser, const Options& o) {
    PatchValues values;
    values.window = numberOption(parser, o.window);
    values.background = numberOption(parser, o.background);
    values.insertEvery = numberOption(parser, o.insertEvery);
    values.insertFor = numberOption(parser, o.insertFor);
    values.insertGrey = numberOption(parser, o.insertGrey);
    const std::variant<PatchOptions, PatchValueError> checked = checkPatchValues(values);
    if (const auto* error = std::get_if<PatchValueError>(&checked)) {
        if (error->halfPair) {
            printError(QStringLiteral("calibrate: --insert-every and --insert-for go together"));
        } else {
            printError(QStringLiteral("calibrate: --%1 takes a number from %2 to %3")
                           .arg(error->option)
                           .arg(error->low)
                           .arg(error->high));
        }
        return std::nullopt;
    }
    return std::get<PatchOptions>(checked);
}

void printShown(const ShownPatch& shown, std::uint64_t startUs) {
    const QRectF& w = shown.patch.window;
    // The values as the output shows them, at its depth.
    QString line = QStringLiteral("patch %1 background %2 bits %3 window %4 %5 %6 %7")
                       .arg(rgbText(atDepth(shown.patch.colour, shown.bits)),
                            rgbText(atDepth(shown.patch.background, shown.bits)))
                       .arg(shown.bits)
                       .arg(w.x(), 0, 'f', 4)
                       .arg(w.y(), 0, 'f', 4)
                       .arg(w.width(), 0, 'f', 4)
                       .arg(w.height(), 0, 'f', 4);
    if (shown.shownUs) {
        const auto since = static_cast<double>(*shown.shownUs - startUs);
        const auto latency =
            static_cast<double>(static_cast<std::int64_t>(*shown.shownUs - shown.receivedUs));
        line += QStringLiteral(" time %1 s latency %2 ms")
                    .arg(since / 1e6, 0, 'f', 3)
                    .arg(latency / 1e3, 0, 'f', 1);
    } else {
        const auto at = static_cast<double>(shown.receivedUs - startUs);
        line += QStringLiteral(" replaced before it reached the screen (message at %1 s)")
                    .arg(at / 1e6, 0, 'f', 3);
    }
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

}  // namespace

int runCalibrate(int argc, char** argv) {
    QCommandLineParser parser;
    const Options o;
    parser.addOptions(
        {o.display, o.window, o.background, o.insertEvery, o.insertFor, o.insertGrey});
    if (!parseOrExplain(parser, argc, argv, "calibrate")) {
        return kExitUsage;
    }
    const QStringList args = parser.positionalArguments();
    const std::optional<CalibrationPeer> peer =
        args.size() == 2 ? parseCalibrationPeer(args[0], args[1]) : std::nullopt;
    if (!peer) {
        printError(
            QStringLiteral("calibrate: name a program to take patches from: resolve "
                           "HOST[:PORT] or argyll URL"));
        return kExitUsage;
    }
    std::optional<DisplayId> wanted;
    const std::optional<PatchOptions> options = patchOptions(parser, o);
    if (!options || !displayOption(parser, o.display, "calibrate", &wanted)) {
        return kExitUsage;
    }

    const std::unique_ptr<PlatformSession> session =
        PlatformSession::openOrExplain(argv[0], QtUse::widgets);
    std::optional<AppPlatforms> platforms =
        session ? session->appPlatformsOrExplain(PlatformUse::command) : std::nullopt;
    if (!platforms) {
        return kExitEnvironment;
    }
    const std::uint64_t startUs = monotonicMicroseconds();
    int status = kExitOk;
    bool ended = false;
    const auto finish = [&](int code) {
        status = code;
        ended = true;
        QApplication::quit();
    };
    CoreReports reports;
    reports.calibrationConnected = [](const QString& peerText) {
        qCInfo(logCalibration).noquote() << "connected to" << peerText;
    };
    reports.calibrationShown = [&](const ShownPatch& shown) { printShown(shown, startUs); };
    reports.calibrationRefused = [&](const QString& why) {
        printError(QStringLiteral("calibrate: %1").arg(why));
        finish(kExitUsage);
    };
    reports.calibrationEnded = [&](SessionEnd how, const QString& peerText, const QString& why) {
        if (how == SessionEnd::unreachable) {
            printError(QStringLiteral("calibrate: cannot reach %1: %2").arg(peerText, why));
        } else if (how == SessionEnd::broken) {
            printError(QStringLiteral("calibrate: session with %1 broken: %2").arg(peerText, why));
        } else {
            qCInfo(logCalibration).noquote() << "session with" << peerText << "ended:" << why;
        }
        finish(how == SessionEnd::clean ? kExitOk : kExitEnvironment);
    };
    AppCore core(std::move(*platforms), std::move(reports));
    core.start();
    const DisplayInfo* chosen = chooseDisplayOrExplain(core.state.displays, wanted, "calibrate");
    if (chosen == nullptr) {
        return kExitUsage;
    }
    const DisplayId displayId = chosen->id;
    if (core.displayService.screenForDisplay(displayId) == nullptr) {
        printError(QStringLiteral("calibrate: display %1 has no screen to show on").arg(displayId));
        return kExitEnvironment;
    }
    core.handle(verbs::StartCalibration{
        args[0], args[1], displayId, numberOption(parser, o.window),
        numberOption(parser, o.background), numberOption(parser, o.insertEvery),
        numberOption(parser, o.insertFor), numberOption(parser, o.insertGrey)});
    // The display may have gone before the event loop ran, and a quit then is not kept.
    if (!ended) {
        QApplication::exec();
    }
    return status;
}

}  // namespace lumenor::cli
