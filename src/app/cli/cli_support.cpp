#include "app/cli/cli_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/cli/cli.h"
#include "core/visible_text.h"

namespace lumenor::cli {

void printError(const QString& message) {
    // One line, whatever a server or a display put in the message.
    const QByteArray line =
        QStringLiteral("lumenor: %1\n").arg(withVisibleControls(message)).toLocal8Bit();
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
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

const DisplayInfo* displayFromArgument(const DisplayService& service, const QString& argument) {
    bool ok = false;
    const uint id = argument.toUInt(&ok, 10);
    if (ok) {
        for (const DisplayInfo& d : service.displays()) {
            if (d.id == id) {
                return &d;
            }
        }
    }
    printError(
        QStringLiteral("no display '%1' is attached (`lumenor displays` lists their numbers)")
            .arg(argument));
    return nullptr;
}

void useX11Platform() {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
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
    bool ok = false;
    const qulonglong id = parser.value(option).toULongLong(&ok);
    if (!ok || id > 0xFFFFFFFFull) {
        printError(QStringLiteral("%1: --display takes a display id (see lumenor displays)")
                       .arg(QLatin1String(command)));
        return false;
    }
    *wanted = static_cast<DisplayId>(id);
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
