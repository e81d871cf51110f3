#pragma once

#include <QString>

#include <memory>

#include "controller/web_window.h"
#include "onboarding/window_messages.h"
#include "webview/web_view_host.h"

class QEventLoop;

namespace lumenor {

// The licence-agreement window: in gate mode it asks for a decision before anything else
// runs (Agree or Quit, no close button); in view mode it just shows the agreement. The page
// is "EULA.html" with ?mode=gate&v=<version> or ?mode=view&v=<version>. Main thread only.
class EULAWindowController {
  public:
    using Mode = EulaMode;

    EULAWindowController(Mode mode, QString agreementVersion);
    ~EULAWindowController();
    EULAWindowController(const EULAWindowController&) = delete;
    EULAWindowController& operator=(const EULAWindowController&) = delete;

    // Gate mode: shows the window modally until the page answers, hides it and returns
    // whether the operator agreed. Closing the window through the window manager counts as
    // Quit.
    bool runModal();
    // View mode: shows the window, centred and in front; no modal run.
    void show();

    Mode mode() const { return mode_; }
    const QString& agreementVersion() const { return agreementVersion_; }
    bool agreed() const { return agreed_; }
    QWidget* window() const { return window_.get(); }
    WebViewHost& webView() { return *webView_; }

  private:
    void handle(EulaAction action);
    void present();

    Mode mode_;
    QString agreementVersion_;
    bool agreed_ = false;
    std::unique_ptr<PageWindow> window_;
    std::unique_ptr<WebViewHost> webView_;
    QEventLoop* modalLoop_ = nullptr;
};

}  // namespace lumenor
