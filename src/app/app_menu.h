#pragma once

#include <QMainWindow>

#include <functional>

#include "webview/web_view_host.h"

namespace lumenor {

// The actions of the menu items that the application core carries out.
struct MenuActions {
    std::function<void()> showPreferences;
    std::function<void()> checkForUpdates;
    std::function<void()> showTutorial;
    std::function<void()> showLicenceAgreement;
};

// The application menu, Edit, Window and Help, as the menu bar of the controller window, with
// Ctrl for the key equivalents. The Edit items act on the page in `page`.
void installMainMenu(QMainWindow& window, WebViewHost& page, const MenuActions& actions);

}  // namespace lumenor
