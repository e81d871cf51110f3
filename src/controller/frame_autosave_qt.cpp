#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <memory>

#include "controller/frame_autosave.h"
#include "core/user_settings.h"

namespace lumenor {

FrameAutosave::FrameAutosave(QWidget* window, QString name)
    : QObject(window), window_(window), name_(std::move(name)) {
    window->installEventFilter(this);
}

bool FrameAutosave::restore() {
    const QByteArray frame = openUserSettings()->value(name_).toByteArray();
    return !frame.isEmpty() && window_->restoreGeometry(frame);
}

void FrameAutosave::save() {
    std::unique_ptr<QSettings> settings = openUserSettings();
    settings->setValue(name_, window_->saveGeometry());
}

bool FrameAutosave::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && (event->type() == QEvent::Close || event->type() == QEvent::Hide)) {
        save();
    }
    return false;
}

void centreOnScreen(QWidget* window) {
    QScreen* screen =
        window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

}  // namespace lumenor
