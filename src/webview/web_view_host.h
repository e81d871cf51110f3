#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrlQuery>
#include <QVariant>
#include <QWebEngineView>

#include <functional>

class QWidget;

namespace lumenor {

class GuardedPage;

// Sets up the web engine for our pages; call before the application object is made. The
// pages are drawn without the GPU (they are still controls, not video: about 70 MB less and
// no dependence on a graphics driver) unless QT_QUICK_BACKEND or QTWEBENGINE_CHROMIUM_FLAGS
// say otherwise, and, run as root, without Chromium's sandbox, which refuses to start there.
void prepareWebEngine();

// An embedded web view for one of our own pages. Before any page script runs, the page has
// window.webkit.messageHandlers.<name>.postMessage(body) for each handler name given here;
// every posted message reaches onMessage on the main thread, in posting order. The page may
// load only files from the folder that holds it, cannot open windows and cannot navigate
// anywhere else; it draws no background of its own, so the window's colour shows until it
// paints.
class WebViewHost {
  public:
    WebViewHost(const QStringList& handlerNames, QWidget* parent);
    ~WebViewHost();
    WebViewHost(const WebViewHost&) = delete;
    WebViewHost& operator=(const WebViewHost&) = delete;

    // (handler name, body) for each message posted to one of the registered handlers.
    std::function<void(const QString& handler, const QVariant& body)> onMessage;
    // Each time a page load ends; true when it succeeded.
    std::function<void(bool ok)> onLoadFinished;

    // Loads the page file `path` with `query` (none when empty). False, and nothing loaded,
    // when there is no such file.
    bool load(const QString& path, const QUrlQuery& query = {});
    // Runs `script` in the page; nothing waits for it, results and errors are ignored.
    void runScript(const QString& script);

    QWebEngineView* view() const { return view_.data(); }
    const QStringList& handlerNames() const { return handlerNames_; }

  private:
    QStringList handlerNames_;
    // A child of the parent widget, deleted with the host (or with the parent, if that goes
    // first); the page belongs to the view.
    QPointer<QWebEngineView> view_;
    GuardedPage* page_;
};

}  // namespace lumenor
