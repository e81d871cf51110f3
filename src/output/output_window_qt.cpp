#include "output/output_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "displays/wayland_queue.h"
#include "patterns/pattern_view.h"

namespace lumenor {

OutputWindow::OutputWindow(Role role) {
    Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                            Qt::Tool | Qt::NoDropShadowWindowHint;
    if (role == Role::mirror) {
        flags |= Qt::WindowDoesNotAcceptFocus;
    }
    setWindowFlags(flags);
    setWindowTitle(role == Role::output ? QStringLiteral("Lumenor output")
                                        : QStringLiteral("Lumenor mirror"));
    // Opaque black wherever no frame covers the window yet.
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    setAttribute(Qt::WA_ShowWithoutActivating, role == Role::mirror);
    // A pointer over a test pattern would be part of the picture. On Wayland the pointer is
    // over this window's surface, not the view's, so it is hidden here.
    setCursor(Qt::BlankCursor);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

void OutputWindow::attach(PatternView* view) {
    if (view_ == view) {
        return;
    }
    detach();
    view_ = view;
    layout()->addWidget(view);
    view->show();
}

void OutputWindow::detach() {
    if (view_ == nullptr) {
        return;
    }
    layout()->removeWidget(view_);
    view_->hide();
    view_->setParent(nullptr);
    view_ = nullptr;
}

void OutputWindow::cover(QScreen* screen) {
    if (windowHandle() == nullptr) {
        create();
    }
    if (screen != covered_) {
        QObject::disconnect(followGeometry_);
        covered_ = screen;
        // A mode change reaches Qt later than it may reach us: the window follows the screen
        // whenever Qt learns its new size, not only when asked to cover it.
        followGeometry_ = connect(screen, &QScreen::geometryChanged, this, [this](QRect area) {
            if (geometry() != area) {
                setGeometry(area);
                if (onResized) {
                    onResized();
                }
            }
        });
    }
    // On Wayland a window is placed only through its full-screen request, and a compositor may
    // move a full-screen window to another monitor when a mode changes (Mutter does): it goes
    // back to its own, at its new size, by leaving the full-screen state and asking again.
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (wayland && !watchingScreen_) {
        watchingScreen_ = true;
        connect(windowHandle(), &QWindow::screenChanged, this, [this](QScreen* now) {
            if (covered_ != nullptr && now != covered_ && isVisible()) {
                QTimer::singleShot(0, this, [this] {
                    if (covered_ != nullptr && windowHandle()->screen() != covered_) {
                        cover(covered_);
                    }
                });
            }
        });
    }
    const bool moving = wayland && isVisible() && windowHandle()->screen() != screen;
    windowHandle()->setScreen(screen);
    setGeometry(screen->geometry());
    // Asked for full screen on its own monitor again, the compositor moves the window back as
    // it is. Through Qt that cannot be asked (it folds leaving the full-screen state and asking
    // again into no request at all), and a window shown anew takes the compositor far longer to
    // show than a move, so that is only where the request cannot be made.
    if (moving && !askFullScreenOn(windowHandle(), screen)) {
        hide();
    }
    // Full screen and above for a window manager; the geometry alone where there is none.
    fullScreenRequestsLeft_ = 2;
    showFullScreen();
    if (view_ != nullptr) {
        view_->updateScale();
    }
}

void OutputWindow::closeEvent(QCloseEvent* event) {
    // Only the window manager's request is the owner's to carry out; the application closing
    // every window as it quits must not be refused.
    if (!onCloseRequested || !event->spontaneous()) {
        QWidget::closeEvent(event);
        return;
    }
    // The owner takes the window away, which it cannot do inside the window's own event.
    event->ignore();
    QMetaObject::invokeMethod(this, onCloseRequested, Qt::QueuedConnection);
}

void OutputWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Some window managers (weston's, for X clients) drop a full-screen state asked for before
    // the window was mapped; asked again once it is, they keep it. A few times only, so a
    // manager that refuses for good is not fought.
    if (event->type() == QEvent::WindowStateChange && covered_ != nullptr && isVisible() &&
        !windowState().testFlag(Qt::WindowFullScreen) && fullScreenRequestsLeft_ > 0) {
        --fullScreenRequestsLeft_;
        QTimer::singleShot(0, this, [this] {
            if (covered_ != nullptr && isVisible()) {
                showFullScreen();
            }
        });
    }
}

}  // namespace lumenor
