#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QWebEnginePage>

#include "app/app_menu.h"
#include "core/app_id.h"
#include "output/overlay_palette.h"

namespace lumenor {

namespace {

void showAbout(QWidget* parent) {
    QMessageBox::about(
        parent, QStringLiteral("About Lumenor"),
        QStringLiteral("<p><b>Lumenor</b> %1</p>"
                       "<p>Test patterns, display modes and test signals for displays, "
                       "projectors and the video chains behind them.</p>"
                       "<p>Released under the MIT licence.</p>")
            .arg(QLatin1String(kVersion)));
}

// Every window of the application goes to the task bar; there is no hiding a whole
// application on the Linux desktop.
void minimiseAll() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible()) {
            w->showMinimized();
        }
    }
}

void addPageAction(QMenu* menu, const QString& title, const QKeySequence& keys, WebViewHost& page,
                   QWebEnginePage::WebAction action) {
    menu->addAction(title, keys, [&page, action] {
        if (QWebEngineView* view = page.view()) {
            view->triggerPageAction(action);
        }
    });
}

// The window is dark; the menus follow it, in the overlay palette.
QString menuStyle() {
    const auto rgb = [](const QColor& c) { return c.name(); };
    return QStringLiteral(
               "QMenuBar { background: %1; color: %2; }"
               "QMenuBar::item { background: transparent; padding: 4px 10px; }"
               "QMenuBar::item:selected, QMenuBar::item:pressed { background: %3; color: %4; }"
               "QMenu { background: %4; color: %2; border: 1px solid %5; }"
               "QMenu::item { padding: 4px 24px 4px 16px; }"
               "QMenu::item:selected { background: %3; color: %4; }"
               "QMenu::separator { height: 1px; background: %5; margin: 4px 8px; }")
        .arg(rgb(palette::deepInk()), rgb(palette::paper()), rgb(palette::iris()),
             rgb(palette::ink()), rgb(palette::slate()));
}

}  // namespace

void installMainMenu(QMainWindow& window, WebViewHost& page, const MenuActions& actions) {
    QMenuBar* bar = window.menuBar();
    bar->setStyleSheet(menuStyle());

    QMenu* app = bar->addMenu(QStringLiteral("Lumenor"));
    app->addAction(QStringLiteral("About Lumenor"), [&window] { showAbout(&window); });
    app->addSeparator();
    app->addAction(QStringLiteral("Settings…"), QKeySequence(Qt::CTRL | Qt::Key_Comma),
                   actions.showPreferences);
    app->addSeparator();
    app->addAction(QStringLiteral("Check for Updates…"), actions.checkForUpdates);
    app->addSeparator();
    app->addAction(QStringLiteral("Hide Lumenor"), QKeySequence(Qt::CTRL | Qt::Key_H), minimiseAll);
    app->addSeparator();
    app->addAction(QStringLiteral("Quit Lumenor"), QKeySequence(Qt::CTRL | Qt::Key_Q), [] {
        QApplication::closeAllWindows();
        QApplication::quit();
    });

    QMenu* edit = bar->addMenu(QStringLiteral("Edit"));
    addPageAction(edit, QStringLiteral("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z), page,
                  QWebEnginePage::Undo);
    addPageAction(edit, QStringLiteral("Redo"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                  page, QWebEnginePage::Redo);
    edit->addSeparator();
    addPageAction(edit, QStringLiteral("Cut"), QKeySequence(Qt::CTRL | Qt::Key_X), page,
                  QWebEnginePage::Cut);
    addPageAction(edit, QStringLiteral("Copy"), QKeySequence(Qt::CTRL | Qt::Key_C), page,
                  QWebEnginePage::Copy);
    addPageAction(edit, QStringLiteral("Paste"), QKeySequence(Qt::CTRL | Qt::Key_V), page,
                  QWebEnginePage::Paste);
    addPageAction(edit, QStringLiteral("Select All"), QKeySequence(Qt::CTRL | Qt::Key_A), page,
                  QWebEnginePage::SelectAll);

    QMenu* windows = bar->addMenu(QStringLiteral("Window"));
    windows->addAction(QStringLiteral("Minimize"), QKeySequence(Qt::CTRL | Qt::Key_M),
                       [&window] { window.showMinimized(); });
    windows->addAction(QStringLiteral("Close"), QKeySequence(Qt::CTRL | Qt::Key_W), [] {
        if (QWidget* active = QApplication::activeWindow()) {
            active->close();
        }
    });

    QMenu* help = bar->addMenu(QStringLiteral("Help"));
    help->addAction(QStringLiteral("Interactive Tutorial"), actions.showTutorial);
    help->addAction(QStringLiteral("Licence Agreement"), actions.showLicenceAgreement);
}

}  // namespace lumenor
