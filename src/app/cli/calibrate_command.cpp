#include <QApplication>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "app/cli/cli_support.h"
#include "app/cli/commands.h"
#include "app/core/app_id.h"
#include "app/core/log.h"
#include "calibration/calibration_log.h"
#include "calibration/patch_output.h"
#include "calibration/patch_presenter.h"
#include "calibration/resolve_client.h"
#include "calibration/web_display_client.h"
#include "displays/display_service.h"
#include "displays/present_refresh_link.h"
#include "displays/xrandr_display_platform.h"

namespace lumenor::cli {

namespace {

constexpr int kFinishMs = 500;

struct Target {
    QString host;
    quint16 port = ResolveClient::kDefaultPort;
};

// HOST, HOST:PORT or [IPv6]:PORT.
std::optional<Target> parseHostPort(const QString& text) {
    const QUrl url(QStringLiteral("tcp://") + text);
    if (!url.isValid() || url.host().isEmpty() || !url.path().isEmpty() ||
        !url.userInfo().isEmpty()) {
        return std::nullopt;
    }
    const int port = url.port(ResolveClient::kDefaultPort);
    if (port <= 0) {
        return std::nullopt;
    }
    return Target{url.host(), static_cast<quint16>(port)};
}

std::optional<QUrl> parseWebAddress(QString text) {
    if (!text.contains(QStringLiteral("://"))) {
        text.prepend(QStringLiteral("http://"));
    }
    const QUrl url(text);
    if (!url.isValid() || url.scheme() != QLatin1String("http") || url.host().isEmpty()) {
        return std::nullopt;
    }
    return url;
}

// A number in [low, high] from an option, or none after a message.
std::optional<double> numberOption(const QCommandLineParser& parser,
                                   const QCommandLineOption& option, double low, double high,
                                   bool lowIncluded = true) {
    bool ok = false;
    const double value = parser.value(option).toDouble(&ok);
    if (!ok || value > high || value < low || (!lowIncluded && value == low)) {
        printError(QStringLiteral("calibrate: --%1 takes a number from %2 to %3")
                       .arg(option.names().front())
                       .arg(low)
                       .arg(high));
        return std::nullopt;
    }
    return value;
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
    PatchOptions options;
    if (parser.isSet(o.window)) {
        const std::optional<double> percent = numberOption(parser, o.window, 0.0, 100.0, false);
        if (!percent) {
            return std::nullopt;
        }
        options.windowPercent = percent;
    }
    for (const QCommandLineOption* grey : {&o.background, &o.insertGrey}) {
        if (!parser.isSet(*grey)) {
            continue;
        }
        const std::optional<double> level = numberOption(parser, *grey, 0.0, 255.0);
        if (!level) {
            return std::nullopt;
        }
        const int rounded = static_cast<int>(std::lround(*level));
        if (grey == &o.background) {
            options.backgroundLevel = rounded;
        } else {
            options.insertGrey = rounded;
        }
    }
    if (parser.isSet(o.insertEvery) != parser.isSet(o.insertFor)) {
        printError(QStringLiteral("calibrate: --insert-every and --insert-for go together"));
        return std::nullopt;
    }
    if (parser.isSet(o.insertEvery)) {
        const std::optional<double> every = numberOption(parser, o.insertEvery, 0.0, 3600.0, false);
        const std::optional<double> length =
            every ? numberOption(parser, o.insertFor, 0.0, 60.0, false) : std::nullopt;
        if (!length) {
            return std::nullopt;
        }
        options.insertEvery = *every;
        options.insertFor = *length;
    }
    return options;
}

void printShown(const ShownPatch& shown, std::uint64_t startUs) {
    const QRectF& w = shown.patch.window;
    QString line = QStringLiteral("patch %1 background %2 window %3 %4 %5 %6")
                       .arg(rgbText(shown.patch.colour), rgbText(shown.patch.background))
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
    const bool resolve = args.size() == 2 && args[0] == QLatin1String("resolve");
    const bool web = args.size() == 2 && args[0] == QLatin1String("argyll");
    const std::optional<Target> target = resolve ? parseHostPort(args[1]) : std::nullopt;
    const std::optional<QUrl> address = web ? parseWebAddress(args[1]) : std::nullopt;
    if (!target && !address) {
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

    std::unique_ptr<XrandrConnection> connection = openXOrExplain();
    if (!connection) {
        return kExitEnvironment;
    }
    useX11Platform();
    QtArguments qtArgs(argv[0]);
    QApplication app(qtArgs.argc(), qtArgs.argv());
    applyAppIdentity();
    installLogHandler();
    DisplayService displays(std::make_unique<XrandrDisplayPlatform>(std::move(connection)));
    displays.refresh();
    const DisplayInfo* chosen = chooseDisplayOrExplain(displays.displays(), wanted, "calibrate");
    if (chosen == nullptr) {
        return kExitUsage;
    }
    // The list is rebuilt on every change: keep the number, not the entry.
    const DisplayId displayId = chosen->id;
    QScreen* screen = displays.screenForDisplay(displayId);
    if (screen == nullptr) {
        printError(QStringLiteral("calibrate: display %1 has no screen to show on").arg(displayId));
        return kExitEnvironment;
    }

    PresentRefreshLinkFactory links;
    PatchOutput output(links);
    PatchPresenter presenter(output, *options);
    const std::uint64_t startUs = monotonicMicroseconds();
    bool saidRounded = false;
    bool ending = false;
    int status = kExitOk;
    const QString peer =
        target ? QStringLiteral("%1:%2").arg(target->host).arg(target->port) : address->toString();
    auto ended = [&](SessionEnd how, const QString& why) {
        if (std::exchange(ending, true)) {
            return;
        }
        if (how == SessionEnd::unreachable) {
            printError(QStringLiteral("calibrate: cannot reach %1: %2").arg(peer, why));
        } else if (how == SessionEnd::broken) {
            printError(QStringLiteral("calibrate: session with %1 broken: %2").arg(peer, why));
        } else {
            qCInfo(logCalibration).noquote() << "session with" << peer << "ended:" << why;
        }
        status = how == SessionEnd::clean ? kExitOk : kExitEnvironment;
        // The last patch may still be on its way to the screen: its line comes first.
        presenter.finish(kFinishMs, [] { QApplication::quit(); });
    };
    auto refused = [&](const QString& why) {
        qCWarning(logCalibration).noquote() << "refused a message from" << peer << "-" << why;
    };
    output.onClose = [&] { ended(SessionEnd::clean, QStringLiteral("Escape on the output")); };
    output.show(screen);
    displays.onChange = [&](const std::vector<DisplayInfo>& list) {
        const bool listed = std::any_of(list.begin(), list.end(),
                                        [&](const DisplayInfo& d) { return d.id == displayId; });
        if (!listed) {
            // Patches elsewhere would be measured as this display's: the session cannot go on.
            output.hide();
            ended(SessionEnd::broken, QStringLiteral("display %1 went away").arg(displayId));
            return;
        }
        QScreen* now = displays.screenForDisplay(displayId);
        if (now != nullptr && now != screen) {
            screen = now;
            output.show(screen);
        }
    };
    displays.start();

    ResolveClient resolveClient;
    WebDisplayClient webClient(address.value_or(QUrl()));
    if (target) {
        resolveClient.onRequest = [&](const ResolveRequest& r, std::uint64_t receivedUs) {
            if (ending) {
                return;
            }
            Patch patch{r.colour, r.background, QRectF(0, 0, 1, 1)};
            if (r.geometry) {
                const std::optional<QRectF> place =
                    resolveGeometry(*r.geometry, output.displaySize());
                if (!place) {
                    refused(QStringLiteral("a patch that does not lie on the display"));
                    return;
                }
                patch.window = *place;
            }
            if (r.deeper && !saidRounded) {
                saidRounded = true;
                qCInfo(logCalibration) << "values given at more than 8 bits are rounded to the "
                                          "nearest 8-bit value: the output is 8 bits deep";
            }
            presenter.present(patch, receivedUs);
        };
        resolveClient.onConnected = [&] {
            qCInfo(logCalibration).noquote() << "connected to" << peer;
        };
        resolveClient.onRefused = refused;
        resolveClient.onEnded = ended;
        resolveClient.connectTo(target->host, target->port);
    } else {
        webClient.onColour = [&](const DeviceRgb& colour, std::uint64_t receivedUs) {
            if (ending) {
                return;
            }
            presenter.present(Patch{colour, DeviceRgb{}, QRectF(0, 0, 1, 1)}, receivedUs);
        };
        webClient.onRefused = refused;
        webClient.onEnded = ended;
        webClient.start();
    }
    presenter.onShown = [&](const ShownPatch& shown) {
        printShown(shown, startUs);
        if (address) {
            webClient.acknowledge();
        }
    };
    QApplication::exec();
    output.hide();
    return status;
}

}  // namespace lumenor::cli
