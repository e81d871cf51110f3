#include "app/cli/cli_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/cli/cli.h"

namespace lumenor::cli {

void printError(const QString& message) {
    const QByteArray line = QStringLiteral("lumenor: %1\n").arg(message).toLocal8Bit();
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

void useX11Platform() {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
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

}  // namespace lumenor::cli
