#pragma once

#include <QSettings>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

#include "app/wake_source.h"
#include "audio/audio_stream.h"
#include "displays/display_platform.h"
#include "displays/mode_platform.h"
#include "displays/refresh_link.h"
#include "remote/remote_server.h"
#include "updates/updater_controller.h"

namespace lumenor {

// Everything the application core reaches outside itself. The desktop application fills it
// with the real services (makeDesktopPlatforms); tests fill it with fakes.
struct AppPlatforms {
    std::unique_ptr<DisplayPlatform> display;
    std::unique_ptr<ModePlatform> mode;
    std::unique_ptr<RefreshLinkFactory> refreshLinks;
    std::unique_ptr<AudioStream> signalStream;  // the test signals
    std::unique_ptr<AudioStream> clickStream;   // the clicks and beeps of the animations
    std::unique_ptr<QSettings> settings;        // the saved profiles
    // The user's other settings (the sync offset); without them nothing else is kept.
    std::unique_ptr<QSettings> preferences;
    QString supportFolder;  // the first-run and telemetry records
    std::unique_ptr<WakeSource> wake;
    RemoteServer::Options remote;
    // The update service; without one "Check for Updates…" does nothing.
    std::unique_ptr<UpdaterController> updater;

    std::function<void(const QString& text)> copyToClipboard;
    // Asks for an image file without blocking; `done` gets its path, or none when cancelled.
    std::function<void(std::function<void(const std::optional<QString>& path)> done)>
        pickSlateImage;
    std::function<void(const QUrl& url)> openUrl;
    // Shows the licence agreement for a decision; true when the operator agreed.
    std::function<bool()> askAgreement;
    // Where the page scripts go; unset, they run in the controller window's page.
    std::function<void(const QString& script)> page;
};

}  // namespace lumenor
