#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include "app/cli/cli.h"
#include "patterns/pattern.h"
#include "support/process.h"

namespace lumenor {
namespace {

// What bash offers after `words`, the last of which is the word being completed.
QStringList complete(const QStringList& words) {
    const QString script = QStringLiteral(
                               "source '%1'; COMP_WORDS=('%2'); COMP_CWORD=%3; _lumenor; "
                               "printf '%s\\n' \"${COMPREPLY[@]}\"")
                               .arg(QStringLiteral(COMPLETION_FILE), words.join("' '"))
                               .arg(words.size() - 1);
    const test::ProcessResult r = test::runProcess("bash", {"-c", script});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return QString::fromUtf8(r.out).split('\n', Qt::SkipEmptyParts);
}

QStringList patternNames() {
    QStringList names;
    for (const Pattern p : allPatterns()) {
        names << rawName(p);
    }
    return names;
}

// The options a command's usage line names.
QStringList optionsOf(const cli::Command& c) {
    QStringList options;
    const QRegularExpression option(QStringLiteral("(--[a-z-]+|-o\\b)"));
    for (const auto& m : option.globalMatch(QLatin1String(c.synopsis))) {
        options << m.captured(1);
    }
    options.removeDuplicates();
    return options;
}

TEST(Completion, OffersEveryCommandItsOptionsAndThePatternNames) {
    const QStringList first = complete({"lumenor", ""});
    for (const cli::Command& c : cli::commands()) {
        EXPECT_TRUE(first.contains(c.name)) << c.name;
        const QStringList offered = complete({"lumenor", c.name, "x", "-"});
        for (const QString& option : optionsOf(c)) {
            EXPECT_TRUE(offered.contains(option)) << c.name << " " << option.toStdString();
        }
    }
    EXPECT_EQ(complete({"lumenor", "se"}), QStringList{"set-mode"});
    EXPECT_EQ(complete({"lumenor", "play", "tone", "--channels", "l"}), QStringList{"left"});
    QStringList offered = complete({"lumenor", "render", ""});
    QStringList expected = patternNames();
    offered.sort();
    expected.sort();
    EXPECT_EQ(offered, expected);
    EXPECT_EQ(complete({"lumenor", "show", "grey"}), QStringList{"grey50"});
}

TEST(ManPage, DescribesEveryCommandAndPattern) {
    QFile file(QStringLiteral(MAN_PAGE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    // troff writes a hyphen in a name as "\-".
    const QString page = QString::fromUtf8(file.readAll()).replace("\\-", "-");
    for (const cli::Command& c : cli::commands()) {
        EXPECT_TRUE(page.contains(QStringLiteral(".B %1").arg(c.name)) ||
                    page.contains(QStringLiteral(".BR %1").arg(c.name)))
            << c.name;
        for (const QString& option : optionsOf(c)) {
            EXPECT_TRUE(page.contains(option)) << c.name << " " << option.toStdString();
        }
    }
    for (const QString& name : patternNames()) {
        EXPECT_TRUE(page.contains(name)) << name.toStdString();
    }
}

}  // namespace
}  // namespace lumenor
