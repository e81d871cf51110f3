#include "controller/bridge_message.h"
#include "controller/controller_window_controller.h"
#include "controller/frame_autosave.h"
#include "controller/page_calls.h"
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

void ControllerWindowController::sendDisplays(const std::vector<DisplayInfo>& displays) {
    runScript(pagecalls::displaysChanged(displays));
}

void ControllerWindowController::sendModes(const std::vector<ModeInfo>& modes,
                                           bool changesAllowed) {
    runScript(pagecalls::modesChanged(modes, changesAllowed));
}

void ControllerWindowController::sendPattern(const QString& rawName) {
    runScript(pagecalls::patternChanged(rawName));
}

void ControllerWindowController::sendProfiles(const QStringList& names) {
    runScript(pagecalls::profilesChanged(names));
}

void ControllerWindowController::sendMirror(bool on) {
    runScript(pagecalls::mirrorChanged(on));
}

void ControllerWindowController::sendSelections(DisplayId selected, DisplayId output,
                                                const QStringList& aspectRatios,
                                                double bouncePeriod) {
    runScript(pagecalls::syncSelections(selected, output, aspectRatios, bouncePeriod));
}

void ControllerWindowController::sendModeApplied(bool applied, std::int64_t seconds) {
    runScript(pagecalls::modeApplied(applied, seconds));
}

void ControllerWindowController::sendOutputVisibility(bool shown) {
    runScript(pagecalls::outputVisibilityChanged(shown));
}

void ControllerWindowController::sendInfoVisibility(bool shown) {
    runScript(pagecalls::infoVisibilityChanged(shown));
}

void ControllerWindowController::sendRevertCountdown(std::int64_t seconds) {
    runScript(pagecalls::revertCountdown(seconds));
}

void ControllerWindowController::sendRevertResolved(bool kept) {
    runScript(pagecalls::revertResolved(kept));
}

void ControllerWindowController::sendFrameStatus(double hz, std::int64_t dropped, bool steady) {
    runScript(pagecalls::frameStatus(hz, dropped, steady));
}

void ControllerWindowController::sendRemoteStatus(const QJsonObject& status) {
    runScript(pagecalls::remoteStatus(status));
}

void ControllerWindowController::runScript(const QString& script) {
    webView_->runScript(script);
}

}  // namespace lumenor
