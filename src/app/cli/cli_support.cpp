#include "app/cli/cli_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/cli/cli.h"
#include "app/platform_session.h"
#include "core/visible_text.h"
#include "displays/xrandr_display_platform.h"

namespace lumenor::cli {

void printError(const QString& message) {
    // One line, whatever a server or a display put in the message.
    const QByteArray line =
        QStringLiteral("lumenor: %1\n").arg(withVisibleControls(message)).toLocal8Bit();
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
}

void tellTerminal(const QString& message) {
    FILE* terminal = ::isatty(STDERR_FILENO) != 0   ? stderr
                     : ::isatty(STDOUT_FILENO) != 0 ? stdout
                                                    : nullptr;
    if (terminal != nullptr) {
        const QByteArray line = QStringLiteral("lumenor: %1\n").arg(message).toLocal8Bit();
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), terminal);
        std::fflush(terminal);
    }
}

std::unique_ptr<XrandrConnection> openXOrExplain() {
    QString error;
    std::unique_ptr<XrandrConnection> connection = XrandrConnection::open(nullptr, &error);
    if (!connection) {
        printError(error);
    }
    return connection;
}

std::unique_ptr<XrandrModePlatform> openModePlatformOrExplain() {
    std::unique_ptr<XrandrConnection> connection = openXOrExplain();
    if (!connection) {
        return nullptr;
    }
    // The kernel's name for our own executable, so the guardian is this very build.
    return std::make_unique<XrandrModePlatform>(std::move(connection),
                                                QStringLiteral("/proc/self/exe"),
                                                QStringList{QLatin1String(kModeGuardianCommand)});
}

namespace {

// The displays `argument` names: by number, else by connector, else by the monitor's whole
// name, which two displays of one model share.
std::vector<const DisplayInfo*> displaysNamed(const std::vector<DisplayInfo>& displays,
                                              const QString& argument) {
    const auto matching = [&](const auto& matches) {
        std::vector<const DisplayInfo*> found;
        for (const DisplayInfo& d : displays) {
            if (matches(d)) {
                found.push_back(&d);
            }
        }
        return found;
    };
    bool isNumber = false;
    const uint id = argument.toUInt(&isNumber, 10);
    if (isNumber) {
        return matching([&](const DisplayInfo& d) { return d.id == id; });
    }
    std::vector<const DisplayInfo*> found =
        matching([&](const DisplayInfo& d) { return d.connector == argument; });
    if (found.empty()) {
        found = matching([&](const DisplayInfo& d) { return d.name == argument; });
    }
    return found;
}

}  // namespace

const DisplayInfo* findDisplayOrExplain(const std::vector<DisplayInfo>& displays,
                                        const QString& argument, const QString& command) {
    const QString prefix = command.isEmpty() ? QString() : command + QStringLiteral(": ");
    const std::vector<const DisplayInfo*> found = displaysNamed(displays, argument);
    if (found.size() == 1) {
        return found.front();
    }
    if (found.empty()) {
        printError(prefix + QStringLiteral("no display '%1' is attached (`lumenor displays` "
                                           "lists their numbers)")
                                .arg(argument));
        return nullptr;
    }
    QStringList which;
    for (const DisplayInfo* d : found) {
        which << (d->connector.isEmpty()
                      ? QString::number(d->id)
                      : QStringLiteral("%1 on %2").arg(QString::number(d->id), d->connector));
    }
    printError(prefix +
               QStringLiteral("'%1' is the name of %2 displays (%3): give the number "
                              "or connector of the one meant")
                   .arg(argument, QString::number(found.size()), which.join(QStringLiteral(", "))));
    return nullptr;
}

const DisplayInfo* displayFromArgument(const DisplayService& service, const QString& argument) {
    return findDisplayOrExplain(service.displays(), argument, QString());
}

void useQtPlatform(const char* plugin) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", plugin, 1);
    }
}

std::optional<double> parseSeconds(const QString& text, double max) {
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !(seconds > 0.0) || !(seconds <= max)) {
        return std::nullopt;
    }
    return seconds;
}

QString usageLine(const char* command) {
    for (const Command& c : commands()) {
        if (std::strcmp(c.name, command) == 0) {
            return QStringLiteral("usage: lumenor %1 %2")
                .arg(QLatin1String(c.name), QLatin1String(c.synopsis));
        }
    }
    return QStringLiteral("usage: lumenor --help");
}

bool parseOrExplain(QCommandLineParser& parser, int argc, char** argv, const char* command) {
    QStringList args;
    for (int i = 0; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (!parser.parse(args)) {
        printError(parser.errorText());
        const QByteArray usage = (usageLine(command) + QLatin1Char('\n')).toLocal8Bit();
        std::fwrite(usage.constData(), 1, static_cast<size_t>(usage.size()), stderr);
        return false;
    }
    return true;
}

bool displayOption(const QCommandLineParser& parser, const QCommandLineOption& option,
                   const char* command, std::optional<DisplayId>* wanted) {
    if (!parser.isSet(option)) {
        return true;
    }
    const QString value = parser.value(option);
    bool isNumber = false;
    const uint id = value.toUInt(&isNumber, 10);
    if (isNumber) {
        *wanted = id;
        return true;
    }
    // A connector or monitor name is looked up now; the number it has there is the display's
    // for as long as it stays plugged in.
    std::unique_ptr<DisplayPlatform> platform = openDisplayPlatformOrExplain();
    if (!platform) {
        return false;
    }
    const DisplayService service(std::move(platform));
    const std::vector<DisplayInfo> displays = service.enumerateDisplays();
    const DisplayInfo* found = findDisplayOrExplain(displays, value, QLatin1String(command));
    if (found == nullptr) {
        return false;
    }
    *wanted = found->id;
    return true;
}

const DisplayInfo* chooseDisplayOrExplain(const std::vector<DisplayInfo>& displays,
                                          std::optional<DisplayId> wanted, const char* command) {
    const DisplayInfo* chosen = nullptr;
    if (wanted) {
        for (const DisplayInfo& d : displays) {
            if (d.id == *wanted) {
                chosen = &d;
            }
        }
    } else {
        for (const DisplayInfo& d : displays) {
            if (!d.isBuiltin && chosen == nullptr) {
                chosen = &d;
            }
        }
        if (chosen == nullptr && !displays.empty()) {
            chosen = &displays.front();
        }
    }
    if (chosen == nullptr) {
        printError(wanted
                       ? QStringLiteral("%1: no display %2 (see lumenor displays)")
                             .arg(QLatin1String(command))
                             .arg(*wanted)
                       : QStringLiteral("%1: no display to show on").arg(QLatin1String(command)));
    }
    return chosen;
}

}  // namespace lumenor::cli
