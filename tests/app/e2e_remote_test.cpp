#include <QRegularExpression>
#include <QTemporaryDir>

#include "patterns/pattern.h"
#include "support/e2e_fixture.h"
#include "support/phone_client.h"
#include "support/process.h"
#include "support/process_lines.h"
#include "support/rendered_pixels.h"
#include "support/wait.h"

namespace lumenor::test {
namespace {

// Turns the terminal drawing back into an image (block characters are light modules) and
// reads it with zbarimg.
QByteArray decodeTerminalQr(const QStringList& lines) {
    const int width = static_cast<int>(lines.front().size());
    QImage image(width * 8, static_cast<int>(lines.size()) * 16, QImage::Format_Grayscale8);
    for (int row = 0; row < lines.size(); ++row) {
        for (int col = 0; col < width; ++col) {
            const QChar c = lines[row].at(col);
            const bool top = c == QChar(0x2588) || c == QChar(0x2580);
            const bool bottom = c == QChar(0x2588) || c == QChar(0x2584);
            for (int y = 0; y < 16; ++y) {
                const bool light = y < 8 ? top : bottom;
                for (int x = 0; x < 8; ++x) {
                    image.scanLine(row * 16 + y)[col * 8 + x] = light ? 255 : 0;
                }
            }
        }
    }
    QTemporaryDir dir;
    const QString file = dir.filePath("qr.png");
    image.save(file);
    return runProcess("zbarimg", {"--raw", "-q", file}).out.trimmed();
}

// The phone's five commands, from a grid on the second head.
const QList<QByteArray> kCommands = {
    "verb=pattern&name=smpte", "verb=cycle&delta=-1", "verb=output&on=0",
    "verb=output&on=1",        "verb=blank",          "verb=identify"};

class E2eRemote : public LumenorE2E {
  protected:
    // What the second head shows after each command: the pattern whose rendering it holds
    // exactly, "hidden" with no output window, "+identify" when the cards came up. Each step
    // waits for what `expected` says.
    QStringList stepThrough(quint16 port, const QByteArray& pin, const QStringList& expected) {
        std::map<QString, QImage> images;
        for (const QString& name : {QStringLiteral("smpte"), QStringLiteral("black"),
                                    rawName(next(Pattern::smpte, -1))}) {
            images[name] = rendered(name, kHead1.size());
        }
        QStringList seen;
        for (qsizetype i = 0; i < kCommands.size(); ++i) {
            const QByteArray& command = kCommands[i];
            EXPECT_EQ(post(port, command + "&pin=" + pin), "200") << command.toStdString();
            // The cards stay for three seconds and cover the head meanwhile.
            const bool cards = command.endsWith("identify") &&
                               x().findWindow("Lumenor identify 1", 5000).has_value();
            const QString wanted = expected[i].section('+', 0, 0);
            QString what = QStringLiteral("not ") + wanted;
            if (wanted == QLatin1String("hidden")) {
                what = waitUntil([&] { return !x().findWindow("Lumenor output", 0); }, 2000)
                           ? wanted
                           : what;
            } else if (x().findWindow("Lumenor output", 5000) &&
                       settle(kHead1, images[wanted]) == 0) {
                what = wanted;
            }
            seen << (cards ? what + QStringLiteral("+identify") : what);
        }
        return seen;
    }
};

TEST_F(E2eRemote, ThePhonesCommandsDoTheSameInTheApplicationAndUnderShow) {
    const QStringList expected = {"smpte",  rawName(next(Pattern::smpte, -1)),
                                  "hidden", rawName(next(Pattern::smpte, -1)),
                                  "black",  "black+identify"};

    // The desktop application, its remote switched on in the page.
    launch();
    ASSERT_NO_FATAL_FAILURE(showOnHead1(QStringLiteral("grid")));
    const auto remote = switchRemoteOn();
    ASSERT_TRUE(remote);
    // The PIN's checks, and how the phone's page shows the state, are the remote's own tests;
    // here the state read with the right PIN is the application's.
    EXPECT_EQ(stateFor(remote->port, remote->pin), R"({"output":true,"pattern":"grid"} 200)");
    EXPECT_EQ(stepThrough(remote->port, remote->pin, expected), expected);
    EXPECT_EQ(stateFor(remote->port, remote->pin), R"({"output":true,"pattern":"black"} 200)");
    ASSERT_TRUE(closeController());

    // `show --remote` on the same head.
    QProcess show;
    show.setProcessEnvironment(x().environment());
    show.start(lumenorBinary(),
               {"show", "grid", "--display", QString::number(x().outputId("DUMMY1")), "--remote",
                "--remote-address", "127.0.0.1", "--seconds", "120"});
    ASSERT_TRUE(show.waitForStarted());
    // The address, the PIN, and the address again as a QR code drawn in the terminal, up to the
    // meter's first report.
    QStringList qr;
    for (const QByteArray& line :
         readLines(show, 20000, [](const QByteArray& l) { return l.startsWith("frame"); })) {
        qr << QString::fromUtf8(line);
    }
    ASSERT_GT(qr.size(), 13) << qr.join('\n').toStdString();
    const QString first = qr.takeFirst();
    const QRegularExpressionMatch cli =
        QRegularExpression("^phone remote: http://127\\.0\\.0\\.1:(\\d+)/\\?pin=(\\d{6})$")
            .match(first);
    ASSERT_TRUE(cli.hasMatch()) << first.toStdString();
    const auto port = static_cast<quint16>(cli.captured(1).toUInt());
    const QByteArray pin = cli.captured(2).toLatin1();
    EXPECT_EQ(qr.takeFirst(), "PIN: " + pin);
    qr.removeIf([](const QString& line) { return line.startsWith("frame"); });
    EXPECT_EQ(decodeTerminalQr(qr), first.mid(14).toUtf8());
    ASSERT_TRUE(x().findWindow("Lumenor output", 5000));
    EXPECT_EQ(stepThrough(port, pin, expected), expected);

    // One line for each command carried out.
    QStringList said;
    while (said.size() < kCommands.size() && (show.canReadLine() || show.waitForReadyRead(5000))) {
        const QString line = QString::fromUtf8(show.readLine()).trimmed();
        if (line.startsWith("remote: ")) {
            said << line;
        }
    }
    EXPECT_EQ(said, QStringList({"remote: pattern smpte", "remote: cycle -1", "remote: output 0",
                                 "remote: output 1", "remote: blank", "remote: identify"}));
    show.terminate();
    EXPECT_TRUE(show.waitForFinished(5000));
}

}  // namespace
}  // namespace lumenor::test
