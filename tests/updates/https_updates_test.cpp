#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSslConfiguration>
#include <QTemporaryDir>

#include "updates/fake_update_prompt.h"
#include "updates/network_update_fetcher_qt.h"
#include "updates/test_feed.h"
#include "updates/updater_controller.h"

namespace lumenor {
namespace {

// The update service over real HTTPS: Qt's network stack against Python's http.server on
// 127.0.0.1, whose certificate comes from a throw-away CA that these tests add to Qt's
// default trusted authorities. Verification stays on throughout.
class HttpsUpdates : public ::testing::Test {
  protected:
    void SetUp() override {
        server_.setProgram("python3");
        server_.setArguments({QStringLiteral(HTTPS_SERVER), dir_.path()});
        server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server_.start();
        QDeadlineTimer deadline(60000);
        while (!server_.canReadLine() && !deadline.hasExpired() &&
               server_.state() != QProcess::NotRunning) {
            server_.waitForReadyRead(500);
        }
        const QByteArray line = server_.readLine().trimmed();
        ASSERT_TRUE(line.startsWith("port ")) << "the HTTPS server did not start";
        base_ = QStringLiteral("https://127.0.0.1:%1/").arg(QString::fromLatin1(line.mid(5)));
        original_ = QSslConfiguration::defaultConfiguration();
    }

    void TearDown() override {
        QSslConfiguration::setDefaultConfiguration(original_);
        server_.kill();
        server_.waitForFinished(5000);
    }

    void trustTestAuthority() {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(dir_.filePath("tls/ca.pem"));
        QSslConfiguration::setDefaultConfiguration(tls);
    }

    void serve(const QString& name, const QByteArray& bytes) {
        QFile file(dir_.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // One check from the menu, answered with "Download", run until it has ended.
    FakeUpdatePrompt& check(const QString& feed = QStringLiteral("appcast.xml")) {
        auto prompt = std::make_unique<FakeUpdatePrompt>();
        FakeUpdatePrompt& seen = *prompt;
        UpdaterController::Services s{
            std::make_unique<NetworkUpdateFetcher>(),
            std::move(prompt),
            std::make_unique<QSettings>(dir_.filePath("settings.ini"), QSettings::IniFormat),
            dir_.filePath("downloads"),
            UpdatePlatform{"linux", "amd64", "12", {}},
            nullptr,
            deadlines_};
        controllers_.push_back(std::make_unique<UpdaterController>(
            UpdatesConfig{QUrl(base_ + feed + "?product=lumenor"), std::nullopt, key_.publicKey()},
            std::move(s), "1.0.0"));
        UpdaterController& controller = *controllers_.back();
        controller.checkForUpdates();
        QDeadlineTimer deadline(60000);
        while (controller.busy() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        EXPECT_FALSE(controller.busy()) << "the check did not end";
        return seen;
    }

    QTemporaryDir dir_;
    QProcess server_;
    QString base_;
    QSslConfiguration original_;
    test::TestKey key_;
    UpdaterController::Deadlines deadlines_;
    std::vector<std::unique_ptr<UpdaterController>> controllers_;
};

// A server outside the trusted authorities is refused. Trusted, a feed with nothing newer is up
// to date, and a newer release is downloaded, verified and handed on, saved in the download
// folder under a name made from its version whatever the feed's versions and address look like.
// Then each way a check or a download goes wrong is told in one sentence, and nothing is handed
// on or left in the download folder. One server serves it all.
TEST_F(HttpsUpdates, UntrustedRefusedUpToDateANewerReleaseHandedOnAndEveryFailureTold) {
    serve("appcast.xml", test::feedXml({test::feedItem("1.0.0", base_ + "old.deb", 10)}));
    const QStringList untrusted = check().told;
    ASSERT_EQ(untrusted.size(), 1);
    EXPECT_TRUE(
        untrusted[0].startsWith("Lumenor could not check for updates: SSL handshake failed"))
        << untrusted[0].toStdString();
    trustTestAuthority();
    EXPECT_EQ(check().told, QStringList{"Lumenor is up to date."});

    const QByteArray release = test::debPackage("2.0.0");
    serve("package", release);
    test::FeedItem item = test::feedItem("2.0.0", base_ + "package", release.size());
    item.shortVersion = "0.1.0/../../escaped";
    test::signOffer(key_, item, release);
    serve("appcast.xml", test::feedXml({item}));
    const FakeUpdatePrompt& seen = check();
    ASSERT_EQ(seen.offered.size(), 1U);
    EXPECT_TRUE(seen.told.isEmpty()) << seen.told.join(' ').toStdString();
    ASSERT_EQ(seen.handedOn, QStringList{dir_.filePath("downloads/lumenor_2.0.0_amd64.deb")});
    EXPECT_FALSE(QFile::exists(dir_.filePath("escaped.deb")));
    QFile handed(seen.handedOn[0]);
    ASSERT_TRUE(handed.open(QIODevice::ReadOnly));
    EXPECT_EQ(handed.readAll(), release);
    ASSERT_TRUE(handed.remove());

    // Checks `feed` and gives what was told.
    const auto toldOnly = [this](const QString& feed) {
        const FakeUpdatePrompt& seen = check(feed);
        EXPECT_TRUE(seen.handedOn.isEmpty());
        EXPECT_TRUE(QDir(dir_.filePath("downloads")).isEmpty(QDir::Files));
        return seen.told;
    };
    // The signature covers what the offer claims, so a genuine old package cannot be offered
    // under another version or architecture; and a package whose own fields are not what was
    // signed (a mistake in signing) is not handed on either.
    const QString mismatch =
        "The download of Lumenor %1 does not match its signature, so Lumenor discarded it.";
    const QString fields =
        "The download of Lumenor 2.0.0 is, by its own fields, %1, so Lumenor discarded it.";
    const struct {
        QByteArray package;
        QString signedAs;     // the version the maker signed the offer for
        QString offeredAs;    // the version the feed offers it as
        QString offeredArch;  // the architecture the feed offers it for
        QString told;
    } relabelled[] = {
        {test::debPackage("1.5.0"), "1.5.0", "9.9.9", "amd64", mismatch.arg("9.9.9")},
        {test::debPackage("1.5.0"), "1.5.0", "1.5.0", "", mismatch.arg("1.5.0")},
        {test::debPackage("1.5.0"), "2.0.0", "2.0.0", "amd64",
         fields.arg("lumenor 1.5.0 for amd64")},
        {test::debPackage("2.0.0", "arm64"), "2.0.0", "2.0.0", "amd64",
         fields.arg("lumenor 2.0.0 for arm64")},
        {test::debPackage("2.0.0", "amd64", "lumenor-extra"), "2.0.0", "2.0.0", "amd64",
         fields.arg("lumenor-extra 2.0.0 for amd64")},
    };
    for (const auto& c : relabelled) {
        SCOPED_TRACE(c.told.toStdString());
        serve("p.deb", c.package);
        test::FeedItem item = test::feedItem(c.signedAs, base_ + "p.deb", c.package.size());
        test::signOffer(key_, item, c.package);
        item.version = c.offeredAs;
        item.arch = c.offeredArch;
        serve("appcast.xml", test::feedXml({item}));
        EXPECT_EQ(toldOnly("appcast.xml"), QStringList{c.told});
    }

    // A feed nested deeper than any real one is refused, not read by recursion until the stack
    // runs out. The feed and the package each have a deadline in all (here short ones: the
    // package's from its length), which a server that sends a byte now and then runs into
    // though it is never silent for long.
    deadlines_ = {std::chrono::milliseconds(1500), std::chrono::milliseconds(500), 5000};
    const QByteArray package(5000, 'p');
    serve("p.deb", package);
    serve("short.deb", package.left(3000));
    test::FeedItem deep = test::feedItem("2.0.0", base_ + "p.deb", 10);
    deep.description = "@";
    serve("nested.xml", test::feedXml({deep}).replace("@", QByteArray("<a>").repeated(60000) +
                                                               QByteArray("</a>").repeated(60000)));
    const struct {
        QString offered;  // the package the feed offers, when it offers one
        bool isSigned;
        QString feed;  // the feed checked
        QString told;  // what the sentence says
    } cases[] = {
        {"to-http/p.deb", true, "appcast.xml", "an address that is not encrypted"},
        {"", false, "to-http/appcast.xml",
         "Lumenor could not check for updates: the server redirected to http://"},
        {"short.deb", true, "appcast.xml",
         "The download of Lumenor 2.0.0 is 3000 bytes instead of 5000, so Lumenor discarded it."},
        {"cut/p.deb", true, "appcast.xml", "Lumenor could not download the update"},
        {"p.deb", false, "appcast.xml",
         "The update to Lumenor 2.0.0 is not signed, so Lumenor will not offer it."},
        {"", false, "nested.xml", "The update feed is not well-formed"},
        {"", false, "drip/appcast.xml",
         "Lumenor could not check for updates: the server took more than 2 s to send it."},
        {"drip/p.deb", true, "appcast.xml",
         "Lumenor could not download the update: the server took more than 2 s to send it."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.told.toStdString());
        if (!c.offered.isEmpty()) {
            test::FeedItem item = test::feedItem("2.0.0", base_ + c.offered, package.size());
            if (c.isSigned) {
                test::signOffer(key_, item, package);
            }
            serve("appcast.xml", test::feedXml({item}));
        }
        const QStringList told = toldOnly(c.feed);
        ASSERT_EQ(told.size(), 1);
        EXPECT_TRUE(told[0].contains(c.told)) << told[0].toStdString();
    }
}

}  // namespace
}  // namespace lumenor
