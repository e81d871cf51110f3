#include "onboarding/preferences_window_controller.h"

#include <QKeySequence>
#include <QShortcut>

#include "controller/frame_autosave.h"
#include "core/resources.h"
#include "onboarding/window_messages.h"

namespace lumenor {
namespace {

constexpr int kDragBarHeight = 40;

}  // namespace

PreferencesWindowController::PreferencesWindowController()
    : window_(std::make_unique<PageWindow>()) {
    window_->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowCloseButtonHint);
    window_->setWindowTitle(QStringLiteral("Lumenor Settings"));
    window_->setFixedSize(460, 470);
    paintWindowBackground(window_.get());
    // Closed from the keyboard as other preference windows are.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)}) {
        auto* shortcut = new QShortcut(keys, window_.get());
        QObject::connect(shortcut, &QShortcut::activated, window_.get(), &QWidget::close);
    }
    webView_ = fillWithWebView(window_.get(), {QLatin1String(kPrefsHandlerName)}, kDragBarHeight);

    webView_->onMessage = [this](const QString& handler, const QVariant& body) {
        const std::optional<PrefsRequest> request = parsePrefsMessage(handler, body);
        if (!request) {
            return;
        }
        if (request->kind == PrefsRequest::Kind::setTelemetry && onSetTelemetry) {
            onSetTelemetry(request->value);
        } else if (request->kind == PrefsRequest::Kind::replayTutorial && onReplayTutorial) {
            onReplayTutorial();
        } else if (request->kind == PrefsRequest::Kind::setAutomaticUpdates &&
                   onSetAutomaticUpdates) {
            onSetAutomaticUpdates(request->value);
        }
    };
    // The first showing usually comes before the page has its hook; tell it again once the
    // page is there, so that the switches never show a state that is not stored.
    webView_->onLoadFinished = [this](bool ok) {
        if (ok && window_->isVisible()) {
            pushState();
        }
    };
    if (const std::optional<QString> page = pagePath(QStringLiteral("preferences.html"))) {
        webView_->load(*page);
    }
}

PreferencesWindowController::~PreferencesWindowController() = default;

void PreferencesWindowController::show() {
    centreOnScreen(window_.get());
    window_->show();
    window_->raise();
    window_->activateWindow();
    pushState();
}

void PreferencesWindowController::pushState() {
    webView_->runScript(prefsInitScript(telemetryEnabledProvider && telemetryEnabledProvider()));
    if (automaticUpdatesProvider) {
        webView_->runScript(updatesInitScript(automaticUpdatesProvider()));
    }
}

}  // namespace lumenor
