#pragma once

#include <QJsonValue>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <optional>

namespace lumenor::test {

// Runs script in the pages of a running lumenor through its web engine's remote-debugging
// port, by way of page_driver.mjs under Node. A page is named by its file, e.g.
// "controller.html". Waits are on conditions in the page, polled.
class PageDriver {
  public:
    PageDriver(const QString& node, const QString& script, int port);
    ~PageDriver();
    PageDriver(const PageDriver&) = delete;
    PageDriver& operator=(const PageDriver&) = delete;

    // The value of `expression` (a promise is awaited); none while the page is not open or
    // when the script throws (lastError() says which).
    std::optional<QJsonValue> eval(const QString& page, const QString& expression);
    // Runs `expression`; true when the page was open and it did not throw.
    bool run(const QString& page, const QString& expression);
    // Waits until `expression` is true in `page`.
    bool waitFor(const QString& page, const QString& expression, int timeoutMs = 10000);
    // The addresses of the open pages.
    QStringList pageUrls();
    QString lastError() const { return lastError_; }

  private:
    std::optional<QJsonValue> request(QJsonObject request);

    QProcess node_;
    int nextId_ = 1;
    QString lastError_;
};

// A loopback port nobody listens on now.
int freeLoopbackPort();

}  // namespace lumenor::test
