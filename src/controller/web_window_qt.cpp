#include <QCloseEvent>
#include <QPalette>
#include <QVBoxLayout>
#include <QWidget>

#include "controller/title_drag_bar.h"
#include "controller/web_window.h"

namespace lumenor {

void PageWindow::closeEvent(QCloseEvent* event) {
    if (onCloseRequest && !onCloseRequest()) {
        event->ignore();
        return;
    }
    event->accept();
}

void paintWindowBackground(QWidget* window) {
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, QColor(10, 11, 15));
    window->setPalette(palette);
    window->setAutoFillBackground(true);
}

std::unique_ptr<WebViewHost> fillWithWebView(QWidget* content, const QStringList& handlerNames,
                                             int dragBarHeight, int dragBarTrailingInset) {
    auto host = std::make_unique<WebViewHost>(handlerNames, content);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(host->view());
    // Made after the view, so that it lies above it and gets the presses first.
    new TitleDragBar(content, dragBarHeight, dragBarTrailingInset);
    return host;
}

}  // namespace lumenor
