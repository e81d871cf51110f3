#include "controller/bridge_message.h"
#include "controller/controller_window_controller.h"
#include "controller/frame_autosave.h"
#include "controller/web_window.h"
#include "core/resources.h"

namespace lumenor {
namespace {

constexpr int kDragBarHeight = 56;
// Keeps the page's own controls in the top-right corner clickable.
constexpr int kDragBarTrailingInset = 150;

}  // namespace

ControllerWindowController::ControllerWindowController()
    : window_(std::make_unique<QMainWindow>()) {
    window_->setWindowTitle(QStringLiteral("Lumenor"));
    window_->setMinimumSize(1040, 680);
    window_->resize(1200, 800);
    paintWindowBackground(window_.get());

    auto* content = new QWidget(window_.get());
    webView_ = fillWithWebView(content, {QLatin1String(kBridgeHandlerName)}, kDragBarHeight,
                               kDragBarTrailingInset);
    window_->setCentralWidget(content);

    auto* autosave = new FrameAutosave(window_.get(), QStringLiteral("LumenorController"));
    if (!autosave->restore()) {
        centreOnScreen(window_.get());
    }

    webView_->onMessage = [this](const QString& handler, const QVariant& body) {
        deliverBridgeMessage(handler, body, onVerb);
    };
    if (const std::optional<QString> page = pagePath(QStringLiteral("controller.html"))) {
        webView_->load(*page);
    }
}

ControllerWindowController::~ControllerWindowController() = default;

void ControllerWindowController::runScript(const QString& script) {
    webView_->runScript(script);
}

}  // namespace lumenor
