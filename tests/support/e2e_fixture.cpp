#include "support/e2e_fixture.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <csignal>
#include <iostream>

#include "support/process.h"
#include "support/rendered_pixels.h"
#include "support/wait.h"

// Xlib last: its macros clash with Qt's headers.
#include <X11/Xlib.h>

namespace lumenor::test {

namespace {

// A JavaScript string literal of `text`.
QString literal(const QString& text) {
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

}  // namespace

LumenorRun::LumenorRun() {
    EXPECT_TRUE(home_.isValid());
    for (const char* name : {"home", "config", "data", "cache", "runtime"}) {
        QDir().mkpath(folder(name));
    }
    QFile::setPermissions(folder("runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void LumenorRun::stop() {
    driver_.reset();
    if (app_ && app_->state() != QProcess::NotRunning) {
        app_->terminate();
        if (!app_->waitForFinished(10000)) {
            app_->kill();
            app_->waitForFinished(5000);
        }
    }
    if (app_ && ::testing::Test::HasFailure()) {
        std::cerr << "lumenor said:\n" << app_->readAll().toStdString() << '\n';
    }
    // Nothing the test started may outlive it, whatever the test did.
    for (const int pid : processesOfThisRun()) {
        ::kill(pid, SIGKILL);
    }
}

QString LumenorRun::dataFolder() const {
    return folder("data") + QStringLiteral("/org.lumenor.Lumenor");
}

void LumenorRun::writeRecords() {
    QDir().mkpath(dataFolder());
    // The guided tour would cover the page the tests click on.
    for (const auto& [name, record] :
         {std::pair{"/agreement.json", R"({"version":"1","acceptedAt":1780000000})"},
          {"/onboarding.json", R"({"version":"1","completed":true,"skipped":false})"}}) {
        QFile file(dataFolder() + QLatin1String(name));
        if (!file.exists() && file.open(QIODevice::WriteOnly)) {
            file.write(record);
        }
    }
}

void LumenorRun::start(const QProcessEnvironment& base, const QStringList& environment,
                       bool agreed) {
    if (agreed) {
        writeRecords();
    }
    const int port = freeLoopbackPort();
    env_ = base;
    for (const auto& [name, folder] : {std::pair{"HOME", "home"},
                                       {"XDG_CONFIG_HOME", "config"},
                                       {"XDG_DATA_HOME", "data"},
                                       {"XDG_CACHE_HOME", "cache"}}) {
        env_.insert(QLatin1String(name), this->folder(folder));
    }
    env_.insert(QStringLiteral("QTWEBENGINE_REMOTE_DEBUGGING"),
                QStringLiteral("127.0.0.1:%1").arg(port));
    env_.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    env_.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
                QStringLiteral("unix:path=") + folder("no-bus"));
    for (const QString& pair : environment) {
        env_.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    }
    driver_.reset();
    app_ = std::make_unique<QProcess>();
    app_->setProcessChannelMode(QProcess::MergedChannels);
    app_->setProcessEnvironment(env_);
    app_->start(lumenorBinary(), {});
    ASSERT_TRUE(app_->waitForStarted(10000));
    driver_ = std::make_unique<PageDriver>(QStringLiteral(NODE_EXECUTABLE),
                                           QStringLiteral(PAGE_DRIVER), port);
    if (agreed) {
        ASSERT_TRUE(controllerShown());
    }
}

bool LumenorRun::endedCleanly() {
    driver_.reset();
    return app_->waitForFinished(15000) && app_->exitStatus() == QProcess::NormalExit &&
           app_->exitCode() == 0;
}

bool LumenorRun::controllerShown() {
    const bool shown = page().waitFor(
        kController, QStringLiteral("document.querySelectorAll('#display-list li').length === 2"),
        40000);
    EXPECT_TRUE(shown) << page().lastError().toStdString();
    return shown;
}

bool LumenorRun::onElement(const QString& selector, const QString& statement) {
    const QString script = QStringLiteral(
                               "(() => { const el = document.querySelector(%1); "
                               "if (!el) throw new Error('no element ' + %1); %2; "
                               "return true; })()")
                               .arg(literal(selector), statement);
    if (!page().run(kController, script)) {
        ADD_FAILURE() << selector.toStdString() << ": " << page().lastError().toStdString();
        return false;
    }
    return true;
}

bool LumenorRun::waitFor(const QString& condition, int timeoutMs) {
    if (!page().waitFor(kController, condition, timeoutMs)) {
        ADD_FAILURE() << condition.toStdString() << ": " << page().lastError().toStdString();
        return false;
    }
    return true;
}

bool LumenorRun::waitForElement(const QString& selector, const QString& condition, int timeoutMs) {
    return waitFor(
        QStringLiteral("(() => { const el = document.querySelector(%1); return !!el && (%2); })()")
            .arg(literal(selector), condition),
        timeoutMs);
}

bool LumenorRun::waitForPattern(const QString& rawName) {
    return waitForElement(QStringLiteral(".pattern[data-pattern=\"%1\"]").arg(rawName),
                          QStringLiteral("el.getAttribute('aria-pressed') === 'true'"));
}

std::optional<LumenorRun::Remote> LumenorRun::switchRemoteOn() {
    if (!click(QStringLiteral("#remote-switch")) ||
        !waitForElement(QStringLiteral("#remote-live"), QStringLiteral("!el.hidden"))) {
        ADD_FAILURE() << "the remote did not start; it needs a wired or wireless network interface";
        return std::nullopt;
    }
    const std::optional<QJsonValue> url = page().eval(
        kController, QStringLiteral("document.getElementById('remote-url').textContent"));
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral(":(\\d+)/\\?pin=(\\d{6})$"))
                                          .match(url ? url->toString() : QString());
    if (!m.hasMatch()) {
        ADD_FAILURE() << "no phone address in the page";
        return std::nullopt;
    }
    const auto port = static_cast<quint16>(m.captured(1).toUInt());
    return Remote{port, m.captured(2).toLatin1(),
                  QStringLiteral("http://127.0.0.1:%1/?pin=%2").arg(port).arg(m.captured(2))};
}

std::vector<int> LumenorRun::processesOfThisRun() const {
    std::vector<int> found;
    const QByteArray mark = "HOME=" + folder("home").toLocal8Bit();
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        const int pid = entry.toInt(&isPid);
        QFile environ(QStringLiteral("/proc/%1/environ").arg(entry));
        if (isPid && environ.open(QIODevice::ReadOnly) &&
            environ.readAll().split('\0').contains(mark)) {
            found.push_back(pid);
        }
    }
    return found;
}

bool LumenorRun::waitForNoProcesses(int timeoutMs) const {
    waitUntil([&] { return processesOfThisRun().empty(); }, timeoutMs);
    const std::vector<int> left = processesOfThisRun();
    for (const int pid : left) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        cmdline.open(QIODevice::ReadOnly);
        std::cerr << "still running: " << pid << ' '
                  << cmdline.readAll().replace('\0', ' ').toStdString() << '\n';
    }
    return left.empty();
}

void LumenorE2E::SetUp() {
    XServerTest::SetUp();
    ASSERT_TRUE(x().plug(QStringLiteral("DUMMY1"), QStringLiteral("1280x720_60")));
}

void LumenorE2E::launch(const QStringList& environment, bool agreed) {
    // A desktop session has its session bus; without one, libdbus would start one that
    // outlives the test.
    start(x().environment(),
          QStringList{
              QStringLiteral("XDG_RUNTIME_DIR=") + folder("runtime"),
              QStringLiteral("DBUS_SESSION_BUS_ADDRESS=unix:path=") + folder("no-session-bus")} +
              environment,
          agreed);
}

bool LumenorE2E::closeController() {
    const auto window = x().findWindow(QStringLiteral("Lumenor"));
    if (!window || !x().requestClose(window->id)) {
        ADD_FAILURE() << "no controller window to close";
        return false;
    }
    return endedCleanly();
}

QString LumenorE2E::displayItem(const QString& output) {
    return QStringLiteral("#display-list li[data-id=\"%1\"]").arg(x().outputId(output));
}

void LumenorE2E::showOnHead1(const QString& pattern) {
    ASSERT_TRUE(click(displayItem(QStringLiteral("DUMMY1")) + QStringLiteral(" .tally")));
    ASSERT_TRUE(click(QStringLiteral(".pattern[data-pattern=\"%1\"]").arg(pattern)));
    ASSERT_TRUE(waitForPattern(pattern));
    ASSERT_TRUE(click(QStringLiteral("#output-toggle")));
    ASSERT_TRUE(waitForElement(QStringLiteral("#output-toggle"),
                               QStringLiteral("el.getAttribute('aria-pressed') === 'true'")));
}

int LumenorE2E::settle(const QRect& area, const QImage& expected) {
    return test::settle(x(), area, expected, 15000);
}

bool LumenorE2E::xdotool(const QStringList& args, QString* output) {
    const ProcessResult r = runProcess(QStringLiteral("xdotool"), args, x().environment());
    if (output != nullptr) {
        *output = QString::fromLocal8Bit(r.out).trimmed();
    }
    return r.exitCode == 0;
}

void LumenorE2E::focusController() {
    const auto window = x().findWindow(QStringLiteral("Lumenor"));
    ASSERT_TRUE(window.has_value());
    ASSERT_TRUE(xdotool({"windowfocus", "--sync", QString::number(window->id)}));
}

bool LumenorE2E::dropKeyboardFocus() {
    Display* dpy = XOpenDisplay(x().displayName().toLocal8Bit().constData());
    if (dpy == nullptr) {
        return false;
    }
    XSetInputFocus(dpy, None, RevertToNone, CurrentTime);
    XSync(dpy, False);
    XCloseDisplay(dpy);
    return true;
}

bool LumenorE2E::stackedAbove(unsigned long upper, unsigned long lower) {
    Display* dpy = XOpenDisplay(x().displayName().toLocal8Bit().constData());
    if (dpy == nullptr) {
        return false;
    }
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    int upperAt = -1;
    int lowerAt = -1;
    // The root's children come bottom first.
    if (XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count) != 0) {
        for (unsigned int i = 0; i < count; ++i) {
            upperAt = children[i] == upper ? static_cast<int>(i) : upperAt;
            lowerAt = children[i] == lower ? static_cast<int>(i) : lowerAt;
        }
        XFree(children);
    }
    XCloseDisplay(dpy);
    return upperAt >= 0 && lowerAt >= 0 && upperAt > lowerAt;
}

bool LumenorE2E::waitForMode(const QString& output, const QString& mode) {
    return waitUntil([&] { return x().modeOf(output) == mode; }, 10000);
}

}  // namespace lumenor::test
