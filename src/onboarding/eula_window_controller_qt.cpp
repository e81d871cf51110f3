#include <QEventLoop>
#include <QUrlQuery>

#include "controller/frame_autosave.h"
#include "core/resources.h"
#include "onboarding/eula_window_controller.h"

namespace lumenor {
namespace {

constexpr int kDragBarHeight = 40;

}  // namespace

EULAWindowController::EULAWindowController(Mode mode, QString agreementVersion)
    : mode_(mode),
      agreementVersion_(std::move(agreementVersion)),
      window_(std::make_unique<PageWindow>()) {
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (mode_ == Mode::view) {
        flags |= Qt::WindowCloseButtonHint;
    }
    window_->setWindowFlags(flags);
    // The desktop's own title bar stays on Linux; an empty one would name nothing.
    window_->setWindowTitle(QStringLiteral("Lumenor Licence Agreement"));
    window_->setFixedSize(580, 620);
    paintWindowBackground(window_.get());
    webView_ = fillWithWebView(window_.get(), {QLatin1String(kEulaHandlerName)}, kDragBarHeight);

    window_->onCloseRequest = [this] {
        if (mode_ == Mode::gate) {
            // A window manager closes even a window without a close button; that is a no.
            handle(EulaAction::quit);
            return false;
        }
        return true;
    };
    webView_->onMessage = [this](const QString& handler, const QVariant& body) {
        if (const std::optional<EulaAction> action = parseEulaMessage(handler, body)) {
            handle(*action);
        }
    };
    if (const std::optional<QString> page = pagePath(QStringLiteral("EULA.html"))) {
        QUrlQuery query;
        query.addQueryItem(QStringLiteral("mode"), rawValue(mode_));
        query.addQueryItem(QStringLiteral("v"), agreementVersion_);
        webView_->load(*page, query);
    }
}

EULAWindowController::~EULAWindowController() = default;

bool EULAWindowController::runModal() {
    window_->setWindowModality(Qt::ApplicationModal);
    present();
    QEventLoop loop;
    modalLoop_ = &loop;
    loop.exec(QEventLoop::DialogExec);
    modalLoop_ = nullptr;
    window_->hide();
    return agreed_;
}

void EULAWindowController::show() {
    present();
}

void EULAWindowController::present() {
    centreOnScreen(window_.get());
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void EULAWindowController::handle(EulaAction action) {
    switch (action) {
        case EulaAction::agree:
        case EulaAction::quit:
            agreed_ = action == EulaAction::agree;
            if (mode_ == Mode::gate && modalLoop_ != nullptr) {
                modalLoop_->quit();
            }
            break;
        case EulaAction::close:
            // Only a window with a close button closes on request.
            if (mode_ == Mode::view) {
                window_->close();
            }
            break;
    }
}

}  // namespace lumenor
