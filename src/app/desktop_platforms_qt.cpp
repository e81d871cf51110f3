#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImageReader>

#include "app/cli/cli_support.h"
#include "core/user_settings.h"
#include "app/desktop_platforms.h"
#include "audio/marker_stream.h"
#include "audio/rtaudio_stream.h"
#include "displays/present_refresh_link.h"
#include "displays/xrandr_display_platform.h"
#include "onboarding/support_folder.h"
#include "updates/desktop_updater.h"

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

std::optional<AppPlatforms> makeDesktopPlatforms(std::unique_ptr<XrandrConnection> connection) {
    std::unique_ptr<XrandrModePlatform> modes = cli::openModePlatformOrExplain();
    if (!modes) {
        return std::nullopt;
    }
    AppPlatforms p;
    p.display = std::make_unique<XrandrDisplayPlatform>(std::move(connection));
    p.mode = std::move(modes);
    p.refreshLinks = std::make_unique<PresentRefreshLinkFactory>();
    p.signalStream = std::make_unique<RtAudioStream>(QStringLiteral("Lumenor test signal"));
    p.clickStream = makeMarkerStream(QStringLiteral("Lumenor sync markers"));
    p.settings = openUserSettings();
    p.preferences = openUserSettings();
    p.supportFolder = supportFolder();
    p.wake = makeLogindWakeSource();
    p.copyToClipboard = [](const QString& text) {
        QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
    };
    p.pickSlateImage = slateImagePicker();
    p.openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    p.updater = makeDesktopUpdater();
    return p;
}

}  // namespace lumenor
