#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

#include "app/cli/cli_support.h"
#include "app/cli/commands.h"
#include "app/platform_session.h"
#include "displays/display_modes.h"

namespace lumenor::cli {

namespace {

void print(const QByteArray& text) {
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
}

// "ID  WxH px  PWxPH pt  RATE Hz" and the marks, one mode a line.
QByteArray modeLine(const ModeInfo& m) {
    QString line = QStringLiteral("%1  %2x%3 px  %4x%5 pt  %6 Hz")
                       .arg(m.id)
                       .arg(m.pixelWidth)
                       .arg(m.pixelHeight)
                       .arg(m.pointWidth)
                       .arg(m.pointHeight)
                       .arg(m.refreshHz, 0, 'f', 2);
    if (m.isCurrent) {
        line += QStringLiteral("  current");
    }
    if (m.isNative) {
        line += QStringLiteral("  native");
    }
    return (line + QLatin1Char('\n')).toUtf8();
}

}  // namespace

int runModes(int argc, char** argv) {
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("JSON output"));
    parser.addOption(json);
    if (!parseOrExplain(parser, argc, argv, "modes")) {
        return kExitUsage;
    }
    if (parser.positionalArguments().size() != 1) {
        printError(QStringLiteral("modes: expected one DISPLAY number"));
        return kExitUsage;
    }

    const std::unique_ptr<PlatformSession> session =
        PlatformSession::openOrExplain(argv[0], QtUse::core);
    const std::unique_ptr<ModePlatform> platform =
        session ? session->modePlatformOrExplain() : nullptr;
    if (!platform) {
        return kExitEnvironment;
    }
    const DisplayInfo* display =
        displayFromArgument(session->displays(), parser.positionalArguments()[0]);
    if (display == nullptr) {
        return kExitUsage;
    }
    // A built-in panel's modes are not offered, as in the application.
    const std::vector<ModeInfo> modes = display->isBuiltin && !platform->triesBuiltinDisplays()
                                            ? std::vector<ModeInfo>()
                                            : modesForDisplay(*platform, display->id);
    if (parser.isSet(json)) {
        QJsonArray array;
        for (const ModeInfo& m : modes) {
            array.append(m.toJson());
        }
        print(QJsonDocument(array).toJson(QJsonDocument::Compact) + '\n');
        return kExitOk;
    }
    for (const ModeInfo& m : modes) {
        print(modeLine(m));
    }
    return kExitOk;
}

}  // namespace lumenor::cli
