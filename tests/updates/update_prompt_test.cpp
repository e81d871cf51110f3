#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include "updates/update_prompt_qt.h"

namespace lumenor {
namespace {

QDialog* shownDialog() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->windowTitle() == "Software Update") {
            return qobject_cast<QDialog*>(w);
        }
    }
    return nullptr;
}

QPushButton* button(QWidget* in, const QString& text) {
    for (QPushButton* b : in->findChildren<QPushButton*>()) {
        if (b->text() == text) {
            return b;
        }
    }
    return nullptr;
}

AppcastItem release() {
    AppcastItem item;
    item.version = "2.0.0";
    item.description = "<b>Faster</b> & <script>x()</script>";
    item.releaseNotesLink = QUrl("https://lumenor.org/notes/2.0.0");
    return item;
}

TEST(DesktopUpdatePrompt, OffersTheReleaseWithDownloadAndLaterAndTellsASentenceAllAsPlainText) {
    DesktopUpdatePrompt prompt;
    std::vector<bool> answers;
    prompt.offer(release(), "1.0.0", [&](bool download) { answers.push_back(download); });
    QDialog* dialog = shownDialog();
    ASSERT_NE(dialog, nullptr);
    QStringList labels;
    for (QLabel* label : dialog->findChildren<QLabel*>()) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        labels << label->text();
    }
    EXPECT_TRUE(labels.contains("Lumenor 2.0.0 is available. You have 1.0.0."));
    EXPECT_TRUE(labels.contains("Release notes: https://lumenor.org/notes/2.0.0"));
    EXPECT_EQ(dialog->findChild<QPlainTextEdit*>()->toPlainText(), release().description);
    ASSERT_NE(button(dialog, "Download"), nullptr);
    ASSERT_NE(button(dialog, "Later"), nullptr);
    button(dialog, "Later")->click();

    prompt.offer(release(), "1.0.0", [&](bool download) { answers.push_back(download); });
    button(shownDialog(), "Download")->click();
    prompt.offer(release(), "1.0.0", [&](bool download) { answers.push_back(download); });
    shownDialog()->close();
    EXPECT_EQ(answers, (std::vector<bool>{false, true, false}));

    prompt.tell("Lumenor is up to date.");
    auto* box = qobject_cast<QMessageBox*>(shownDialog());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Lumenor is up to date.");
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    box->close();
}

}  // namespace
}  // namespace lumenor
