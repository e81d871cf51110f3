#include "app/app_delegate.h"

#include "app/core/log.h"

namespace lumenor {

AppDelegate::AppDelegate(std::unique_ptr<DisplayPlatform> displayPlatform)
    : displayService(std::move(displayPlatform)) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching() {
    controller = std::make_unique<ControllerWindowController>();
    controller->onVerb = [this](const Verb& verb) { handle(verb); };

    displayService.onChange = [this](const std::vector<DisplayInfo>& displays) {
        displaysDidChange(displays);
    };

    QMainWindow* window = controller->window();
    window->show();
    window->raise();
    window->activateWindow();

    displayService.start();
}

void AppDelegate::displaysDidChange(const std::vector<DisplayInfo>& displays) {
    state.displays = displays;
    controller->sendDisplays(state.displays);
}

void AppDelegate::handle(const Verb& verb) {
    // For now only `ready` is carried out: the page gets the state it starts from.
    if (std::holds_alternative<verbs::Ready>(verb)) {
        qCDebug(logApp, "controller page ready");
        controller->sendDisplays(state.displays);
        controller->sendPattern(rawName(state.activePattern));
        controller->sendOutputVisibility(state.outputVisible);
        controller->sendInfoVisibility(state.infoVisible);
    }
}

}  // namespace lumenor
