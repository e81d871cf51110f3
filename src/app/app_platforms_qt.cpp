#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImageReader>

#include "app/app_platforms_qt.h"
#include "core/user_settings.h"
#include "onboarding/support_folder.h"

namespace lumenor {

namespace {

QString imageFilter() {
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
        patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    }
    return QStringLiteral("Images (%1)").arg(patterns.join(QLatin1Char(' ')));
}

// One dialog, reused; open() returns at once and the answer comes through `finished`.
auto slateImagePicker() {
    auto dialog = std::make_shared<QFileDialog>();
    dialog->setWindowTitle(QStringLiteral("Choose a slate logo"));
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilter(imageFilter());
    dialog->setLabelText(QFileDialog::Accept, QStringLiteral("Use as slate"));
    return [dialog](std::function<void(const std::optional<QString>&)> done) {
        QObject::disconnect(dialog.get(), &QFileDialog::finished, nullptr, nullptr);
        QObject::connect(dialog.get(), &QFileDialog::finished,
                         [d = dialog.get(), done = std::move(done)](int result) {
                             const QStringList files = d->selectedFiles();
                             if (result == QDialog::Accepted && !files.isEmpty()) {
                                 done(files.front());
                             } else {
                                 done(std::nullopt);
                             }
                         });
        dialog->open();
    };
}

}  // namespace

void addDesktopServices(AppPlatforms& p) {
    p.settings = openUserSettings();
    p.preferences = openUserSettings();
    p.supportFolder = supportFolder();
    p.wake = makeLogindWakeSource();
    p.copyToClipboard = [](const QString& text) {
        QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
    };
    p.pickSlateImage = slateImagePicker();
    p.openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
}

}  // namespace lumenor
