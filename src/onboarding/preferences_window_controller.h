#pragma once

#include <functional>
#include <memory>

#include "controller/web_window.h"
#include "webview/web_view_host.h"

namespace lumenor {

// The preferences window, titled "Settings" as the menu item that opens it: the telemetry and
// automatic-update switches and the interactive tutorial's "Replay at next start" of
// "preferences.html". Made once and shown again on each request; every showing hands the
// page the current state of both switches. Main thread only.
class PreferencesWindowController {
  public:
    PreferencesWindowController();
    ~PreferencesWindowController();
    PreferencesWindowController(const PreferencesWindowController&) = delete;
    PreferencesWindowController& operator=(const PreferencesWindowController&) = delete;

    std::function<void(bool)> onSetTelemetry;
    std::function<void()> onReplayTutorial;
    // Asked on every showing; without it the page is told telemetry is off.
    std::function<bool()> telemetryEnabledProvider;
    // Whether update checks run by themselves; without it the page shows no update switch.
    std::function<bool()> automaticUpdatesProvider;
    std::function<void(bool)> onSetAutomaticUpdates;

    // Shows the window centred and in front, then pushes the switches' state to the page.
    void show();

    QWidget* window() const { return window_.get(); }
    WebViewHost& webView() { return *webView_; }

  private:
    void pushState();

    std::unique_ptr<PageWindow> window_;
    std::unique_ptr<WebViewHost> webView_;
};

}  // namespace lumenor
