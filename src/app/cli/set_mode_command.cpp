#include <QCoreApplication>
#include <QSocketNotifier>

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "app/cli/cli_support.h"
#include "app/cli/commands.h"
#include "app/cli/stop_signals.h"
#include "app/platform_session.h"
#include "core/log.h"
#include "core/visible_text.h"
#include "displays/display_modes.h"
#include "displays/revert_coordinator.h"

namespace lumenor::cli {

namespace {

constexpr int kExitReverted = 3;
constexpr int kMaxSeconds = 3600;

void printCount(int n) {
    std::printf("%d\n", n);
    std::fflush(stdout);
}

}  // namespace

int runSetMode(int argc, char** argv) {
    QCommandLineParser parser;
    const QCommandLineOption seconds(QStringLiteral("seconds"),
                                     QStringLiteral("length of the trial"), QStringLiteral("N"));
    const QCommandLineOption keep(QStringLiteral("keep"), QStringLiteral("keep at once"));
    parser.addOption(seconds);
    parser.addOption(keep);
    if (!parseOrExplain(parser, argc, argv, "set-mode")) {
        return kExitUsage;
    }
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        printError(QStringLiteral("set-mode: expected a DISPLAY number and a MODE number"));
        return kExitUsage;
    }
    int trialSeconds = 15;
    if (parser.isSet(seconds)) {
        bool ok = false;
        trialSeconds = parser.value(seconds).toInt(&ok, 10);
        if (!ok || trialSeconds < 1 || trialSeconds > kMaxSeconds) {
            printError(QStringLiteral("set-mode: --seconds takes a whole number from 1 to %1")
                           .arg(kMaxSeconds));
            return kExitUsage;
        }
        if (parser.isSet(keep)) {
            printError(QStringLiteral("set-mode: --keep has no trial, so no --seconds"));
            return kExitUsage;
        }
    }
    bool modeOk = false;
    const int modeId = args[1].toInt(&modeOk, 10);

    const std::unique_ptr<PlatformSession> session =
        PlatformSession::openOrExplain(argv[0], QtUse::core);
    const std::unique_ptr<ModePlatform> platform =
        session ? session->modePlatformOrExplain() : nullptr;
    if (!platform) {
        return kExitEnvironment;
    }
    if (const std::optional<QString> refusal = platform->modeChangeRefusal()) {
        printError(*refusal);
        return kExitEnvironment;
    }
    DisplayService& service = session->displays();
    const DisplayInfo* found = displayFromArgument(service, args[0]);
    if (found == nullptr) {
        return kExitUsage;
    }
    const DisplayInfo display = *found;
    if (display.isBuiltin && !platform->triesBuiltinDisplays()) {
        printError(QStringLiteral("set-mode: %1 is a built-in display, whose mode is not changed")
                       .arg(withVisibleControls(display.name)));
        return kExitUsage;
    }
    const std::vector<ModeInfo> modes = modesForDisplay(*platform, display.id);
    const auto target = std::find_if(modes.begin(), modes.end(),
                                     [&](const ModeInfo& m) { return modeOk && m.id == modeId; });
    if (target == modes.end()) {
        printError(QStringLiteral("set-mode: display %1 has no mode '%2' (`lumenor modes %1` "
                                  "lists them)")
                       .arg(display.id)
                       .arg(args[1]));
        return kExitUsage;
    }

    const QString refused = QStringLiteral("set-mode: the display refused %1; it stays as it was")
                                .arg(QString::fromStdString(target->label()));
    if (parser.isSet(keep)) {
        if (!applyDisplayMode(*platform, display.id, *target, ConfigureScope::permanently)) {
            qCCritical(logDisplay, "mode apply failed on display %u", display.id);
            printError(refused);
            return kExitEnvironment;
        }
        qCInfo(logDisplay, "kept %s on display %u", target->label().c_str(), display.id);
        return kExitOk;
    }

    RevertCoordinator revert(*platform);
    std::optional<bool> outcome;
    // The count on standard output stays bare numbers for scripts; once the mode is on, what
    // the keys do goes to standard error.
    bool told = false;
    revert.onCountdown = [&](int n) {
        if (!told) {
            told = true;
            printError(QStringLiteral("set-mode: Enter keeps %1; Ctrl-C goes back to %2")
                           .arg(QString::fromStdString(target->label()),
                                QString::fromStdString(display.currentMode.label())));
        }
        printCount(n);
    };
    revert.onResolved = [&](bool kept) {
        outcome = kept;
        QCoreApplication::exit(kept ? kExitOk : kExitReverted);
    };

    const StopSignals stopSignals([&] {
        if (!outcome) {
            revert.revertNow();
        }
    });
    if (!stopSignals.caught()) {
        printError(QStringLiteral("set-mode: cannot watch for Ctrl-C"));
        return kExitEnvironment;
    }
    // Enter keeps the mode; the end of the input only stops listening.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char bytes[256];
        const ssize_t n = ::read(STDIN_FILENO, bytes, sizeof bytes);
        if (n <= 0) {
            input.setEnabled(false);
        } else if (std::find(bytes, bytes + n, '\n') != bytes + n && !outcome) {
            revert.keep();
        }
    });
    // The display going away ends the trial at once.
    service.onChange = [&](const std::vector<DisplayInfo>& list) {
        const bool present = std::any_of(list.begin(), list.end(),
                                         [&](const DisplayInfo& d) { return d.id == display.id; });
        if (!present && revert.trialRunning()) {
            revert.revertNow();
        }
    };
    service.start();

    revert.begin(*target, display.currentMode, display.id, trialSeconds);
    // A mode the display refused never ran: that is a failure, not a trial that went back.
    if (outcome && !*outcome && revert.endedRefused()) {
        printError(refused);
        return kExitEnvironment;
    }
    if (outcome) {
        return *outcome ? kExitOk : kExitReverted;
    }
    return QCoreApplication::exec();
}

}  // namespace lumenor::cli
