#include "webview/guarded_page_qt.h"

#include <QColor>
#include <QCoreApplication>
#include <QPointer>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include "webview/page_folder.h"

namespace lumenor {

QWebEngineProfile* sharedWebProfile() {
    // Parented to the application so that it outlives every page, which are all gone with
    // their windows before the application object is.
    static QPointer<QWebEngineProfile> profile;
    if (profile.isNull()) {
        profile = new QWebEngineProfile(QCoreApplication::instance());
        profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        profile->setSpellCheckEnabled(false);
    }
    return profile;
}

void FolderRequestGuard::interceptRequest(QWebEngineUrlRequestInfo& info) {
    if (!isInsideFolder(info.requestUrl(), folder_)) {
        info.block(true);
    }
}

GuardedPage::GuardedPage(QObject* parent)
    : QWebEnginePage(sharedWebProfile(), parent), guard_(this) {
    QWebEngineSettings* s = settings();
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    s->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    s->setAttribute(QWebEngineSettings::HyperlinkAuditingEnabled, false);
    s->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    s->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);
    setBackgroundColor(Qt::transparent);
    setUrlRequestInterceptor(&guard_);
}

void GuardedPage::setFolder(const QString& folder) {
    folder_ = folder;
    guard_.setFolder(folder);
}

bool GuardedPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool) {
    return isInsideFolder(url, folder_);
}

QWebEnginePage* GuardedPage::createWindow(WebWindowType) {
    return nullptr;
}

void MessageReceiver::post(const QString& handler, const QString& text) {
    if (onPost) {
        onPost(handler, text);
    }
}

}  // namespace lumenor
