#include "app/app_delegate.h"

#include <QPalette>
#include <QWidget>

namespace lumenor {

AppDelegate::AppDelegate(std::unique_ptr<DisplayPlatform> displayPlatform)
    : displayService(std::move(displayPlatform)) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching() {
    controllerWindow_ = std::make_unique<QWidget>();
    controllerWindow_->setWindowTitle(QStringLiteral("Lumenor"));
    controllerWindow_->resize(1200, 800);
    QPalette palette = controllerWindow_->palette();
    palette.setColor(QPalette::Window, QColor(10, 11, 15));
    controllerWindow_->setPalette(palette);
    controllerWindow_->setAutoFillBackground(true);

    displayService.onChange = [this](const std::vector<DisplayInfo>& displays) {
        displaysDidChange(displays);
    };

    controllerWindow_->show();
    controllerWindow_->raise();
    controllerWindow_->activateWindow();

    displayService.start();
}

void AppDelegate::displaysDidChange(const std::vector<DisplayInfo>& displays) {
    state.displays = displays;
}

}  // namespace lumenor
