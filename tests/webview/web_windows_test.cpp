#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariantList>
#include <QVariantMap>
#include <QWebEnginePage>

#include <cstdlib>
#include <memory>
#include <vector>

#include "controller/controller_window_controller.h"
#include "controller/title_drag_bar.h"
#include "onboarding/eula_window_controller.h"
#include "onboarding/preferences_window_controller.h"
#include "support/process.h"
#include "support/qt_on_x.h"
#include "support/wait.h"
#include "support/xorg_testbed.h"
#include "webview/message_shim.h"
#include "webview/page_folder.h"
#include "webview/web_view_host.h"

namespace lumenor {
namespace {

using test::spinEvents;

// The windows with their real pages in Qt WebEngine on the virtual X server. One Qt
// application serves the whole suite: the web engine cannot be started twice in a process.
class WebWindows : public test::XServerTest {
  protected:
    static void SetUpTestSuite() {
        XServerTest::SetUpTestSuite();
        home_ = std::make_unique<QTemporaryDir>();
        ::setenv("XDG_CONFIG_HOME", QFile::encodeName(home_->path()).constData(), 1);
        prepareWebEngine();
        qt_ = std::make_unique<test::QtOnX>(x());
    }
    static void TearDownTestSuite() {
        qt_.reset();
        XServerTest::TearDownTestSuite();
    }

    // Runs `script` in the page and waits for its value.
    static QVariant evaluate(WebViewHost& host, const QString& script) {
        QVariant result;
        bool done = false;
        host.view()->page()->runJavaScript(script, [&](const QVariant& v) {
            result = v;
            done = true;
        });
        test::spinUntil([&] { return done; }, 10000);
        return result;
    }

    template <typename Pred>
    static bool waitUntil(Pred pred) {
        return test::spinUntil(pred, 15000);
    }

    // Waits up to 15 s for `script` to give true in the page.
    static bool waitForPage(WebViewHost& host, const QString& script) {
        return waitUntil([&] { return evaluate(host, script).toBool(); });
    }

    static std::unique_ptr<QTemporaryDir> home_;
    static std::unique_ptr<test::QtOnX> qt_;
};

std::unique_ptr<QTemporaryDir> WebWindows::home_;
std::unique_ptr<test::QtOnX> WebWindows::qt_;

// What the page posts beyond its ready is parsed as in the bridge tests; the calls into it are
// those of every end-to-end test.
TEST_F(WebWindows, ControllerPageReadyReachesOnVerbAndItReopensWhereLeft) {
    ControllerWindowController controller;
    std::vector<Verb> verbs;
    controller.onVerb = [&](const Verb& v) { verbs.push_back(v); };
    QMainWindow* window = controller.window();
    window->resize(1200, 800);
    window->show();
    // The strip lies over the page's top 56 pixels, short of its rightmost 150.
    const auto* bar = window->findChild<TitleDragBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->geometry(), QRect(0, 0, 1050, 56));
    window->resize(1100, 700);
    EXPECT_TRUE(waitUntil([&] { return bar->geometry() == QRect(0, 0, 950, 56); }));

    ASSERT_TRUE(waitUntil([&] { return !verbs.empty(); })) << "the page's ready never arrived";
    EXPECT_TRUE(std::holds_alternative<verbs::Ready>(verbs.front()));

    // The window reopens where it was left.
    const QRect left(100, 120, 1300, 840);
    window->setGeometry(left);
    ASSERT_TRUE(waitUntil([&] { return window->geometry() == left; }));
    window->close();
    EXPECT_EQ(ControllerWindowController().window()->geometry(), left);
}

TEST_F(WebWindows, HostKeepsThePageInItsFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("pages"));
    auto write = [&](const QString& name, const QByteArray& text) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    write("pages/index.html", "<!doctype html><title>t</title><p>page");
    write("pages/inside.js", "window.inside = true;");
    write("outside.js", "window.outside = true;");

    QWidget window;
    WebViewHost host({"first", "second"}, &window);
    QStringList handlers;
    host.onMessage = [&](const QString& h, const QVariant&) { handlers << h; };
    bool loaded = false;
    host.onLoadFinished = [&](bool ok) { loaded = ok; };
    EXPECT_FALSE(host.load(dir.filePath("pages/missing.html")));
    ASSERT_TRUE(host.load(dir.filePath("pages/index.html")));
    window.show();
    ASSERT_TRUE(waitUntil([&] { return loaded; }));

    // Each message reaches the native side with its handler's name, in order; what bodies
    // become is the decoder's test below.
    EXPECT_EQ(evaluate(host, "Object.keys(window.webkit.messageHandlers).join()"), "first,second");
    host.runScript(
        "window.webkit.messageHandlers.second.postMessage(0);"
        "window.webkit.messageHandlers.first.postMessage(0);");
    EXPECT_TRUE(waitUntil([&] { return handlers == QStringList{"second", "first"}; }));

    const QString addScript =
        "for (const src of ['inside.js', '../outside.js']) {"
        "  const s = document.createElement('script'); s.src = src; document.head.append(s); }";
    host.runScript(addScript);
    EXPECT_TRUE(waitForPage(host, "window.inside === true"));
    spinEvents(500);
    EXPECT_EQ(evaluate(host, "window.outside === undefined"), true);
    EXPECT_EQ(evaluate(host, "window.open('inside.js') === null"), true);

    host.runScript("location.href = '../outside.js';");
    spinEvents(1000);
    EXPECT_EQ(host.view()->url().fileName(), "index.html");
    EXPECT_EQ(evaluate(host, "document.title"), "t");
}

// Agree and Quit in the gate are clicked end to end, in the first launch of the application.
TEST_F(WebWindows, AgreementViewClosesOnRequestAndGateCloseIsQuit) {
    EULAWindowController view(EulaMode::view, "1");
    bool loaded = false;
    view.webView().onLoadFinished = [&](bool ok) { loaded = ok; };
    view.show();
    ASSERT_TRUE(waitUntil([&] { return loaded; }));
    EXPECT_EQ(view.webView().view()->url().query(), "mode=view&v=1");
    view.webView().runScript("window.webkit.messageHandlers.qvEula.postMessage({action: 'agree'})");
    ASSERT_TRUE(waitUntil([&] { return view.agreed(); }));
    EXPECT_TRUE(view.window()->isVisible());
    view.webView().runScript("document.getElementById('close').click()");
    EXPECT_TRUE(waitUntil([&] { return !view.window()->isVisible(); }));

    EULAWindowController gate(EulaMode::gate, "1");
    QUrl loadedUrl;
    gate.webView().onLoadFinished = [&](bool) {
        loadedUrl = gate.webView().view()->url();
        gate.window()->close();
    };
    // A page that never loads fails the test rather than hanging it.
    QTimer::singleShot(30000, gate.window(), [&] { gate.window()->close(); });
    ASSERT_NE(gate.window()->findChild<TitleDragBar*>(), nullptr);
    EXPECT_EQ(gate.window()->findChild<TitleDragBar*>()->geometry(), QRect(0, 0, 580, 40));
    EXPECT_FALSE(gate.runModal());
    EXPECT_FALSE(gate.agreed());
    EXPECT_EQ(loadedUrl.query(), "mode=gate&v=1");
}

TEST_F(WebWindows, PreferencesShowTheStoredStateAndReportTheSwitch) {
    PreferencesWindowController prefs;
    bool stored = true;
    std::vector<bool> set;
    int replays = 0;
    prefs.telemetryEnabledProvider = [&] { return stored; };
    prefs.onSetTelemetry = [&](bool on) { set.push_back(on); };
    prefs.onReplayTutorial = [&] { ++replays; };
    prefs.show();
    WebViewHost& page = prefs.webView();
    ASSERT_TRUE(waitForPage(page,
                            "document.getElementById('telemetry')"
                            ".getAttribute('aria-checked') === 'true'"));
    page.runScript("document.getElementById('telemetry').click()");
    ASSERT_TRUE(waitUntil([&] { return !set.empty(); }));
    EXPECT_EQ(set, std::vector<bool>{false});
    page.runScript("document.getElementById('replay').click()");
    ASSERT_TRUE(waitUntil([&] { return replays == 1; }));
    EXPECT_EQ(set, std::vector<bool>{false});

    // Escape and Ctrl+W close it, as typed on the keyboard.
    for (const char* keys : {"Escape", "ctrl+w"}) {
        ASSERT_TRUE(prefs.window()->isVisible());
        const QString id = QString::number(prefs.window()->winId());
        test::runProcess("xdotool", {"windowfocus", "--sync", id}, x().environment());
        test::runProcess("xdotool", {"key", keys}, x().environment());
        EXPECT_TRUE(waitUntil([&] { return !prefs.window()->isVisible(); })) << keys;
        prefs.show();
    }
    prefs.window()->close();
    stored = false;
    prefs.show();
    EXPECT_TRUE(waitForPage(page,
                            "document.getElementById('telemetry')"
                            ".getAttribute('aria-checked') === 'false'"));
}

// The pure parts of the host: the posted bodies it decodes, and the folder it keeps pages in.
TEST(PostedBody, KeepsTheShapesTheBridgeParserReads) {
    const std::optional<QVariant> map = decodePostedBody(R"([{"verb":"selectDisplay","id":2}])");
    ASSERT_TRUE(map);
    ASSERT_EQ(map->typeId(), QMetaType::QVariantMap);
    EXPECT_EQ(map->toMap().value("verb").toString(), "selectDisplay");
    EXPECT_EQ(map->toMap().value("id").typeId(), QMetaType::LongLong);

    EXPECT_EQ(decodePostedBody("[2.5]")->typeId(), QMetaType::Double);
    EXPECT_EQ(decodePostedBody(R"([["4:3",16]])")->toList().size(), 2);
    // Anything but a one-element array is dropped.
    EXPECT_FALSE(decodePostedBody(""));
    EXPECT_FALSE(decodePostedBody("[]"));
    EXPECT_FALSE(decodePostedBody(R"({"verb":"ready"})"));
}

TEST(PageFolder, OnlyFilesInsideTheFolder) {
    const QString folder = "/usr/share/lumenor/pages";
    EXPECT_TRUE(
        isInsideFolder(QUrl("file:///usr/share/lumenor/pages/controller.html?x=1"), folder));
    EXPECT_TRUE(isInsideFolder(QUrl("file:///usr/share/lumenor/pages/previews/smpte.png"), folder));
    EXPECT_FALSE(isInsideFolder(QUrl("file:///usr/share/lumenor/pages/../secret.txt"), folder));
    EXPECT_FALSE(isInsideFolder(QUrl("file:///usr/share/lumenor/pages-old/a.js"), folder));
    EXPECT_FALSE(isInsideFolder(QUrl("file://host/usr/share/lumenor/pages/a.js"), folder));
    EXPECT_FALSE(isInsideFolder(QUrl("https://example.org/usr/share/lumenor/pages/a.js"), folder));
    EXPECT_FALSE(isInsideFolder(QUrl("file:///usr/share/lumenor/pages/a.js"), QString()));
}

}  // namespace
}  // namespace lumenor
