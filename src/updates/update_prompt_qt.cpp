#include "updates/update_prompt_qt.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumenor {
namespace {

constexpr const char* kTitle = "Software Update";

QLabel* plainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setText(text);
    return label;
}

}  // namespace

DesktopUpdatePrompt::DesktopUpdatePrompt() = default;
DesktopUpdatePrompt::~DesktopUpdatePrompt() = default;

void DesktopUpdatePrompt::offer(const AppcastItem& item, const QString& running,
                                std::function<void(bool)> decided) {
    offerDialog_ = std::make_unique<QDialog>();
    QDialog* dialog = offerDialog_.get();
    dialog->setWindowTitle(QLatin1String(kTitle));
    dialog->setMinimumWidth(420);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(plainLabel(
        QStringLiteral("Lumenor %1 is available. You have %2.").arg(item.displayVersion(), running),
        dialog));
    if (!item.description.isEmpty()) {
        auto* notes = new QPlainTextEdit(dialog);
        notes->setReadOnly(true);
        notes->setPlainText(item.description);
        layout->addWidget(notes);
    }
    if (item.releaseNotesLink.isValid()) {
        layout->addWidget(plainLabel(
            QStringLiteral("Release notes: %1").arg(item.releaseNotesLink.toDisplayString()),
            dialog));
    }
    auto* buttons = new QDialogButtonBox(dialog);
    buttons->addButton(QStringLiteral("Download"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Later"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    // Closing the window counts as "Later"; the answer is given once.
    QObject::connect(dialog, &QDialog::finished, dialog,
                     [decided](int result) { decided(result == QDialog::Accepted); });
    dialog->open();
}

void DesktopUpdatePrompt::tell(const QString& sentence) {
    auto* box = new QMessageBox(QMessageBox::Information, QLatin1String(kTitle), sentence);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void DesktopUpdatePrompt::handOn(const QString& path) {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        tell(QStringLiteral("The update is saved as %1; open it with your package installer.")
                 .arg(path));
    }
}

}  // namespace lumenor
