#pragma once

#include <functional>
#include <memory>

#include "controller/web_window.h"
#include "webview/web_view_host.h"

namespace lumenor {

// The preferences window: the telemetry switch and "Replay tutorial" of "preferences.html".
// Made once and shown again on each request; every showing hands the page the current
// telemetry state. Main thread only.
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

    // Shows the window centred and in front, then pushes the telemetry state to the page.
    void show();

    QWidget* window() const { return window_.get(); }
    WebViewHost& webView() { return *webView_; }

  private:
    void pushTelemetryState();

    std::unique_ptr<PageWindow> window_;
    std::unique_ptr<WebViewHost> webView_;
};

}  // namespace lumenor
