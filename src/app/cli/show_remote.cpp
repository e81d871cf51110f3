#include "app/cli/show_remote.h"

#include <QCoreApplication>

#include <cstdio>

#include "app/cli/cli_support.h"
#include "app/remote_commands.h"
#include "displays/display_service.h"
#include "output/output_window_controller.h"
#include "remote/qr_code.h"

namespace lumenor::cli {

namespace {

RemoteServer::Options optionsWithAddress(const QString& address) {
    RemoteServer::Options options;
    options.localAddress = [address]() -> std::optional<QString> { return address; };
    return options;
}

void printLine(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

}  // namespace

ShowRemote::ShowRemote(OutputWindowController& output, DisplayService& displays, DisplayId display,
                       const QString& address)
    : output_(output),
      displays_(displays),
      display_(display),
      server_(optionsWithAddress(address)) {
    identifier_.screenForDisplay = [this](DisplayId id) { return displays_.screenForDisplay(id); };
    server_.onCommand = [this](const QString& verb, const RemoteParams& params) {
        carryOut(verb, params);
    };
}

void ShowRemote::start() {
    server_.start(
        [](const std::optional<QString>& url, const QString& pin, const std::optional<QString>&) {
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
        });
}

void ShowRemote::carryOut(const QString& command, const RemoteParams& params) {
    const std::optional<Verb> verb = verbForRemoteCommand(command, params);
    if (!verb) {
        return;
    }
    const Pattern current = output_.patternView().pattern();
    if (const auto* show = std::get_if<verbs::ShowPattern>(&*verb)) {
        const std::optional<Pattern> pattern = patternFromRawName(show->name);
        if (!pattern) {
            return;
        }
        output_.setPattern(*pattern);
        printLine(QStringLiteral("remote: pattern %1").arg(rawName(*pattern)));
    } else if (const auto* cycle = std::get_if<verbs::CyclePattern>(&*verb)) {
        const int step = cycle->delta < 0 ? -1 : 1;
        output_.setPattern(next(current, step));
        printLine(QStringLiteral("remote: cycle %1").arg(step));
    } else if (const auto* visible = std::get_if<verbs::ShowOutput>(&*verb)) {
        if (visible->value && !output_.isShown()) {
            showOn(current);
        } else if (!visible->value) {
            output_.hide();
        }
        printLine(QStringLiteral("remote: output %1").arg(visible->value ? 1 : 0));
    } else if (std::holds_alternative<verbs::Blank>(*verb)) {
        showOn(Pattern::black);
        printLine(QStringLiteral("remote: blank"));
    } else if (std::holds_alternative<verbs::IdentifyDisplays>(*verb)) {
        identifier_.show(displays_.displays(), 3.0);
        printLine(QStringLiteral("remote: identify"));
    }
}

void ShowRemote::showOn(Pattern pattern) {
    if (output_.isShown()) {
        output_.setPattern(pattern);
        return;
    }
    for (const DisplayInfo& d : displays_.displays()) {
        if (d.id == display_) {
            output_.show(d, pattern);
            return;
        }
    }
}

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

}  // namespace lumenor::cli
