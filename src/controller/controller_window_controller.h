#pragma once

#include <QJsonObject>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "controller/verb.h"
#include "displays/display_info.h"
#include "webview/web_view_host.h"

namespace lumenor {

// The controller window: the controller page in a web view, filling an ordinary resizable
// window, with a drag strip along the top. Inbound, the page's "bridge" messages become
// verbs handed to onVerb; outbound, one call per piece of state, run in the page without
// waiting. Calls made before the page has loaded are lost; the page posts `ready` once it
// can take them. Main thread only.
class ControllerWindowController {
  public:
    using Verb = lumenor::Verb;

    // Builds the window (not shown) and starts loading the page. Without the page the window
    // shows only its background colour.
    ControllerWindowController();
    ~ControllerWindowController();
    ControllerWindowController(const ControllerWindowController&) = delete;
    ControllerWindowController& operator=(const ControllerWindowController&) = delete;

    QMainWindow* window() const { return window_.get(); }
    WebViewHost& webView() { return *webView_; }

    // Every verb the page posts; unset, verbs are dropped.
    std::function<void(const Verb&)> onVerb;

    void sendDisplays(const std::vector<DisplayInfo>& displays);
    void sendModes(const std::vector<ModeInfo>& modes, bool changesAllowed);
    void sendPattern(const QString& rawName);
    void sendProfiles(const QStringList& names);
    void sendMirror(bool on);
    void sendSelections(DisplayId selected, DisplayId output, const QStringList& aspectRatios,
                        double bouncePeriod);
    void sendModeApplied(bool applied, std::int64_t seconds);
    void sendOutputVisibility(bool shown);
    void sendInfoVisibility(bool shown);
    void sendRevertCountdown(std::int64_t seconds);
    void sendRevertResolved(bool kept);
    void sendFrameStatus(double hz, std::int64_t dropped, bool steady);
    void sendRemoteStatus(const QJsonObject& status);
    // One of the fixed scripts (see page_calls.h), or any other.
    void runScript(const QString& script);

  private:
    std::unique_ptr<QMainWindow> window_;
    std::unique_ptr<WebViewHost> webView_;
};

}  // namespace lumenor
