#pragma once

#include <QSettings>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

#include "app/page_sink.h"
#include "app/wake_source.h"
#include "audio/audio_stream.h"
#include "displays/display_platform.h"
#include "displays/mode_platform.h"
#include "displays/refresh_link.h"
#include "remote/remote_server.h"
#include "updates/updater_controller.h"

namespace lumenor {

// Everything the application core reaches outside itself. makeAppPlatforms fills it with the
// real services of the platform in use; tests fill it with fakes.
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

    std::function<void(const QString& text)> copyToClipboard;
    // Asks for an image file without blocking; `done` gets its path, or none when cancelled.
    std::function<void(std::function<void(const std::optional<QString>& path)> done)>
        pickSlateImage;
    std::function<void(const QUrl& url)> openUrl;
    // The display holding the controller window; unset or none without one.
    std::function<std::optional<DisplayId>()> controllerDisplay;
};

// What the desktop application adds to the core's platforms.
struct DesktopPlatforms {
    AppPlatforms core;
    // The update service; without one "Check for Updates…" does nothing.
    std::unique_ptr<UpdaterController> updater;
    // Shows the licence agreement for a decision; true when the operator agreed. Unset, the
    // agreement window asks.
    std::function<bool()> askAgreement;
    // Where the page scripts go; unset, they run in the controller window's page.
    PageSink page;
};

}  // namespace lumenor
