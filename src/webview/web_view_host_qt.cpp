#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWebChannel>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

#include "webview/guarded_page_qt.h"
#include "webview/message_shim.h"
#include "webview/web_view_host.h"

#include <unistd.h>

namespace lumenor {
namespace {

QString channelLibrary() {
    QFile file(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

}  // namespace

void prepareWebEngine() {
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND")) {
        qputenv("QT_QUICK_BACKEND", "software");
    }
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS")) {
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    }
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

WebViewHost::WebViewHost(const QStringList& handlerNames, QWidget* parent)
    : handlerNames_(handlerNames),
      view_(new QWebEngineView(parent)),
      page_(new GuardedPage(view_)) {
    view_->setPage(page_);
    // The default menu offers reload, view source and save page, none of which belong here.
    view_->setContextMenuPolicy(Qt::NoContextMenu);

    auto* channel = new QWebChannel(page_);
    auto* receiver = new MessageReceiver(channel);
    receiver->onPost = [this](const QString& handler, const QString& text) {
        if (!handlerNames_.contains(handler) || !onMessage) {
            return;
        }
        if (const std::optional<QVariant> body = decodePostedBody(text)) {
            onMessage(handler, *body);
        }
    };
    channel->registerObject(QLatin1String(kMessageReceiverName), receiver);
    page_->setWebChannel(channel);

    QWebEngineScript shim;
    shim.setName(QStringLiteral("lumenor-message-handlers"));
    shim.setInjectionPoint(QWebEngineScript::DocumentCreation);
    shim.setWorldId(QWebEngineScript::MainWorld);
    shim.setRunsOnSubFrames(false);
    shim.setSourceCode(messageShimScript(channelLibrary(), handlerNames_));
    page_->scripts().insert(shim);

    QObject::connect(page_, &QWebEnginePage::loadFinished, view_, [this](bool ok) {
        if (onLoadFinished) {
            onLoadFinished(ok);
        }
    });
}

WebViewHost::~WebViewHost() {
    delete view_.data();
}

bool WebViewHost::load(const QString& path, const QUrlQuery& query) {
    const QFileInfo file(path);
    if (!view_ || !file.isFile()) {
        return false;
    }
    page_->setFolder(file.absoluteDir().canonicalPath());
    QUrl url = QUrl::fromLocalFile(file.canonicalFilePath());
    if (!query.isEmpty()) {
        url.setQuery(query);
    }
    page_->load(url);
    return true;
}

void WebViewHost::runScript(const QString& script) {
    if (view_) {
        page_->runJavaScript(script);
    }
}

}  // namespace lumenor
