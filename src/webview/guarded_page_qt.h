#pragma once

#include <QObject>
#include <QString>
#include <QWebEnginePage>
#include <QWebEngineUrlRequestInterceptor>

#include <functional>

namespace lumenor {

// The one web profile of the process: off the record (nothing written to disk), no
// persistent cookies, no spell checking, downloads never accepted.
QWebEngineProfile* sharedWebProfile();

// Refuses every request for anything outside one folder, whoever asks for it.
class FolderRequestGuard : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
  public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void setFolder(const QString& folder) { folder_ = folder; }
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

  private:
    QString folder_;
};

// A page that stays inside its folder and never opens windows.
class GuardedPage : public QWebEnginePage {
    Q_OBJECT
  public:
    explicit GuardedPage(QObject* parent);
    // The folder the page and everything it loads must come from.
    void setFolder(const QString& folder);

  protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

  private:
    QString folder_;
    FolderRequestGuard guard_;
};

// The object the page's shim talks to over the web channel.
class MessageReceiver : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    std::function<void(const QString& handler, const QString& text)> onPost;
    Q_INVOKABLE void post(const QString& handler, const QString& text);
};

}  // namespace lumenor
