#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

#include "webview/web_view_host.h"

namespace lumenor {

// A top-level window that hands a request to close it (from its close button or the window
// manager) to onCloseRequest, which says whether it may close; without one it closes.
class PageWindow : public QWidget {
  public:
    std::function<bool()> onCloseRequest;

  protected:
    void closeEvent(QCloseEvent* event) override;
};

// The dark colour our windows show until their page paints: ink, (10, 11, 15).
void paintWindowBackground(QWidget* window);

// Fills `content` with a web view for the given handler names and lays a TitleDragBar of
// `dragBarHeight` over its top, short of the right edge by `dragBarTrailingInset`.
std::unique_ptr<WebViewHost> fillWithWebView(QWidget* content, const QStringList& handlerNames,
                                             int dragBarHeight, int dragBarTrailingInset = 0);

}  // namespace lumenor
