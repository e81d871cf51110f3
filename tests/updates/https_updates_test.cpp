#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

    // Serves a feed offering 2.0.0 at `path`, `length` bytes long, signed as the offer of
    // `signedBytes` (unsigned when empty).
    void offer(const QString& path, qint64 length, const QByteArray& signedBytes) {
        test::FeedItem item = test::feedItem("2.0.0", base_ + path, length, {});
        if (!signedBytes.isEmpty()) {
            test::signOffer(key_, item, signedBytes);
        }
        serve("appcast.xml", test::feedXml({item}));
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

TEST_F(HttpsUpdates, UpToDateAndANewerReleaseDownloadedVerifiedAndHandedOn) {
    trustTestAuthority();
    serve("appcast.xml", test::feedXml({test::feedItem("1.0.0", base_ + "old.deb", 10, "")}));
    EXPECT_EQ(check().told, QStringList{"Lumenor is up to date."});

    const QByteArray package = test::debPackage("2.0.0");
    serve("lumenor_2.0.0_amd64.deb", package);
    offer("lumenor_2.0.0_amd64.deb", package.size(), package);
    const FakeUpdatePrompt& seen = check();
    ASSERT_EQ(seen.offered.size(), 1U);
    EXPECT_TRUE(seen.told.isEmpty()) << seen.told.join(' ').toStdString();
    ASSERT_EQ(seen.handedOn.size(), 1);
    QFile handed(seen.handedOn[0]);
    ASSERT_TRUE(handed.open(QIODevice::ReadOnly));
    EXPECT_EQ(handed.readAll(), package);
}

TEST_F(HttpsUpdates, AServerOutsideTheTrustedAuthoritiesIsRefused) {
    serve("appcast.xml", test::feedXml({}));
    const QStringList told = check().told;
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].startsWith("Lumenor could not check for updates: SSL handshake failed"))
        << told[0].toStdString();
}

// A malformed feed is refused in the nesting test, a wrong signature in the relabelling one.
TEST_F(HttpsUpdates, AnUnsignedOfferIsToldAndNotOffered) {
    trustTestAuthority();
    offer("p.deb", 5000, {});
    const FakeUpdatePrompt& seen = check();
    EXPECT_TRUE(seen.offered.empty());
    EXPECT_EQ(seen.told, QStringList{"The update to Lumenor 2.0.0 is not signed, so Lumenor will "
                                     "not offer it."});
}

TEST_F(HttpsUpdates, APlainHttpRedirectOrATruncatedDownloadIsRefused) {
    trustTestAuthority();
    const QByteArray package(6000, 'p');
    serve("p.deb", package);
    serve("short.deb", package.left(3000));

    offer("to-http/p.deb", package.size(), package);
    const QStringList redirected = check().told;
    EXPECT_TRUE(redirected.value(0).contains("an address that is not encrypted"))
        << redirected.value(0).toStdString();
    EXPECT_TRUE(
        check("to-http/appcast.xml")
            .told.value(0)
            .startsWith("Lumenor could not check for updates: the server redirected to http://"));

    offer("short.deb", package.size(), package);
    EXPECT_EQ(check().told, QStringList{"The download of Lumenor 2.0.0 is 3000 bytes instead of "
                                        "6000, so Lumenor discarded it."});
    offer("cut/p.deb", package.size(), package);
    const FakeUpdatePrompt& cut = check();
    EXPECT_TRUE(cut.told.value(0).startsWith("Lumenor could not download the update"))
        << cut.told.value(0).toStdString();
    EXPECT_TRUE(cut.handedOn.isEmpty());
    EXPECT_FALSE(QFile::exists(dir_.filePath("downloads/p.deb")));
}

// A feed nested deeper than any real one is refused, not read by recursion until the stack
// runs out.
TEST_F(HttpsUpdates, ADeeplyNestedFeedIsRefused) {
    trustTestAuthority();
    test::FeedItem item = test::feedItem("2.0.0", base_ + "p.deb", 10, "");
    item.description = "@";
    serve("appcast.xml",
          test::feedXml({item}).replace(
              "@", QByteArray("<a>").repeated(60000) + QByteArray("</a>").repeated(60000)));
    const QStringList told = check().told;
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].startsWith("The update feed is not well-formed")) << told[0].toStdString();
}

// The file is saved under a name made from the version, whatever the feed's versions and
// address look like.
TEST_F(HttpsUpdates, APathInTheVersionDoesNotLeaveTheDownloadFolder) {
    trustTestAuthority();
    const QByteArray package = test::debPackage("2.0.0");
    serve("package", package);
    test::FeedItem item = test::feedItem("2.0.0", base_ + "package", package.size(), {});
    item.shortVersion = "0.1.0/../../escaped";
    test::signOffer(key_, item, package);
    serve("appcast.xml", test::feedXml({item}));
    const FakeUpdatePrompt& seen = check();
    ASSERT_EQ(seen.handedOn.size(), 1) << seen.told.join(' ').toStdString();
    EXPECT_EQ(QFileInfo(seen.handedOn[0]).absolutePath(), dir_.filePath("downloads"));
    EXPECT_EQ(QFileInfo(seen.handedOn[0]).fileName(), "lumenor_2.0.0_amd64.deb");
    EXPECT_FALSE(QFile::exists(dir_.filePath("escaped.deb")));
}

// A server that sends a byte now and then is never silent for long, but the feed and the
// package each have a deadline in all (here short ones: the package's from its length).
TEST_F(HttpsUpdates, ATricklingServerEndsTheCheckAtTheDeadline) {
    trustTestAuthority();
    deadlines_ = {std::chrono::milliseconds(1500), std::chrono::milliseconds(500), 5000};
    serve("appcast.xml", test::feedXml({}));
    EXPECT_EQ(check("drip/appcast.xml").told,
              QStringList{"Lumenor could not check for updates: the server took more than 2 s "
                          "to send it."});

    const QByteArray package(5000, 'p');
    serve("p.deb", package);
    offer("drip/p.deb", package.size(), package);
    const FakeUpdatePrompt& seen = check();
    EXPECT_EQ(seen.told, QStringList{"Lumenor could not download the update: the server took "
                                     "more than 2 s to send it."});
    EXPECT_TRUE(seen.handedOn.isEmpty());
}

// The signature covers what the offer claims, so a genuine old package cannot be offered under
// another version or architecture; and a package whose own fields are not what was signed
// (a mistake in signing) is not handed on either.
TEST_F(HttpsUpdates, ARelabelledPackageOrOneThatIsNotWhatItsOfferSaysIsRefused) {
    trustTestAuthority();
    const QString mismatch =
        "The download of Lumenor %1 does not match its signature, so "
        "Lumenor discarded it.";
    const QString fields =
        "The download of Lumenor 2.0.0 is, by its own fields, %1, so "
        "Lumenor discarded it.";
    const struct {
        QByteArray package;
        QString signedAs;     // the version the maker signed the offer for
        QString offeredAs;    // the version the feed offers it as
        QString offeredArch;  // the architecture the feed offers it for
        QString told;
    } cases[] = {
        {test::debPackage("1.5.0"), "1.5.0", "9.9.9", "amd64", mismatch.arg("9.9.9")},
        {test::debPackage("1.5.0"), "1.5.0", "1.5.0", "", mismatch.arg("1.5.0")},
        {test::debPackage("1.5.0"), "2.0.0", "2.0.0", "amd64",
         fields.arg("lumenor 1.5.0 for amd64")},
        {test::debPackage("2.0.0", "arm64"), "2.0.0", "2.0.0", "amd64",
         fields.arg("lumenor 2.0.0 for arm64")},
        {test::debPackage("2.0.0", "amd64", "lumenor-extra"), "2.0.0", "2.0.0", "amd64",
         fields.arg("lumenor-extra 2.0.0 for amd64")},
    };
    for (const auto& c : cases) {
        serve("p.deb", c.package);
        test::FeedItem item = test::feedItem(c.signedAs, base_ + "p.deb", c.package.size(), {});
        test::signOffer(key_, item, c.package);
        item.version = c.offeredAs;
        item.arch = c.offeredArch;
        serve("appcast.xml", test::feedXml({item}));
        const FakeUpdatePrompt& seen = check();
        EXPECT_EQ(seen.told, QStringList{c.told});
        EXPECT_TRUE(seen.handedOn.isEmpty());
        EXPECT_TRUE(QDir(dir_.filePath("downloads")).isEmpty(QDir::Files)) << c.told.toStdString();
    }
}

}  // namespace
}  // namespace lumenor
