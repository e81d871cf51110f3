#pragma once

#include <QMainWindow>
#include <QString>

#include <functional>
#include <memory>

#include "controller/verb.h"
#include "webview/web_view_host.h"

namespace lumenor {

// The controller window: the controller page in a web view, filling an ordinary resizable
// window, with a drag strip along the top. Inbound, the page's "bridge" messages become
// verbs handed to onVerb; outbound, the page calls (page_calls.h), run in the page without
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

    // One of the fixed scripts (see page_calls.h), or any other.
    void runScript(const QString& script);

  private:
    std::unique_ptr<QMainWindow> window_;
    std::unique_ptr<WebViewHost> webView_;
};

}  // namespace lumenor
