#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "support/process.h"

namespace lumenor {
namespace {

using test::ProcessResult;
using test::runProcess;

// One install into a folder of its own, checked with the desktop's own validators and run.
TEST(Installed, PassesTheValidatorsAndTheProgramFindsItsPagesBesideItself) {
    QTemporaryDir prefix;
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    const ProcessResult install =
        runProcess(QStringLiteral(CMAKE_COMMAND),
                   {"--install", BUILD_DIR, "--prefix", prefix.path()}, system, 120000);
    ASSERT_EQ(install.exitCode, 0) << install.out.toStdString() << install.err.toStdString();
    const auto path = [&](const QString& relative) { return prefix.filePath(relative); };

    const QString entry = path("share/applications/org.lumenor.Lumenor.desktop");
    const ProcessResult desktop = runProcess("desktop-file-validate", {entry}, system, 60000);
    EXPECT_EQ(desktop.exitCode, 0) << desktop.out.toStdString() << desktop.err.toStdString();
    EXPECT_FALSE(desktop.out.contains("error")) << desktop.out.toStdString();
    const ProcessResult meta = runProcess(
        "appstreamcli",
        {"validate", "--no-net", path("share/metainfo/org.lumenor.Lumenor.metainfo.xml")}, system,
        60000);
    EXPECT_EQ(meta.exitCode, 0) << meta.out.toStdString() << meta.err.toStdString();

    // The entry starts the installed program and names an installed icon.
    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    const auto value = [&](const QString& key) {
        const QRegularExpression line("^" + key + "=(.*)$", QRegularExpression::MultilineOption);
        return line.match(text).captured(1);
    };
    EXPECT_TRUE(QFile::exists(path("bin/" + value("Exec"))));
    EXPECT_TRUE(QFile::exists(path("share/icons/hicolor/scalable/apps/" + value("Icon") + ".svg")));

    // Icons drawn at their folders' sizes: transparent corners, opaque middle.
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        const QImage icon(path(
            QStringLiteral("share/icons/hicolor/%1x%1/apps/org.lumenor.Lumenor.png").arg(size)));
        EXPECT_EQ(icon.size(), QSize(size, size)) << size;
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << size;
        EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255) << size;
    }

    // The man page formats without warnings.
    QFile page(path("share/man/man1/lumenor.1.gz"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const ProcessResult source = runProcess("gzip", {"-dc"}, system, 30000, page.readAll());
    ASSERT_EQ(source.exitCode, 0);
    ASSERT_TRUE(source.out.startsWith(".TH LUMENOR 1"));
    const ProcessResult groff =
        runProcess("groff", {"-man", "-ww", "-z"}, system, 30000, source.out);
    EXPECT_EQ(groff.exitCode, 0);
    EXPECT_TRUE(groff.err.isEmpty()) << groff.err.toStdString();

    // Installed, it finds its pages and gets as far as the missing X display; moved away from
    // its data, it says that it has no pages.
    QProcessEnvironment env = system;
    env.remove("DISPLAY");
    env.remove(QStringLiteral("LUMENOR_DATA_DIR"));
    EXPECT_TRUE(QFile::exists(path("share/lumenor/pages/previews/smpte.png")));
    const ProcessResult installed = runProcess(path("bin/lumenor"), {}, env);
    EXPECT_EQ(installed.exitCode, 1);
    EXPECT_TRUE(installed.err.contains("X display")) << installed.err.toStdString();

    QTemporaryDir elsewhere;
    const QString moved = elsewhere.filePath("a/b/c/lumenor");
    ASSERT_TRUE(QDir().mkpath(elsewhere.filePath("a/b/c")));
    ASSERT_TRUE(QFile::copy(path("bin/lumenor"), moved));
    const ProcessResult lost = runProcess(moved, {}, env);
    EXPECT_EQ(lost.exitCode, 1);
    EXPECT_TRUE(lost.err.contains("pages")) << lost.err.toStdString();
}

}  // namespace
}  // namespace lumenor
