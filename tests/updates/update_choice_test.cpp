#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "updates/appcast.h"
#include "updates/package_fields.h"
#include "updates/test_feed.h"
#include "updates/update_choice.h"

namespace lumenor {
namespace {

using test::FeedItem;
using test::feedXml;

const UpdatePlatform kPlatform{"linux", "amd64", "12", {}};

FeedItem signedItem(const QString& version) {
    FeedItem item =
        test::feedItem(version, "https://example.test/lumenor_" + version + "_amd64.deb", 1000,
                       QString::fromLatin1(QByteArray(64, 'x').toBase64()));
    item.sha256 = QString(64, 'a');
    return item;
}

UpdateChoice choose(const std::vector<FeedItem>& items, const QString& running = "1.9.0") {
    const AppcastParse feed = parseAppcast(feedXml(items));
    EXPECT_FALSE(feed.error) << feed.error->toStdString();
    return chooseUpdate(feed.items, running, kPlatform);
}

TEST(Appcast, ReadsWhatTheOfferShowsAndThePackageType) {
    FeedItem item = signedItem("2.1.0");
    item.shortVersion = "2.1";
    const AppcastParse feed = parseAppcast(feedXml({item}));
    ASSERT_FALSE(feed.error);
    ASSERT_EQ(feed.items.size(), 1U);
    // The fields the choice and the download check use are proven by their own tests.
    const AppcastItem& read = feed.items[0];
    EXPECT_EQ(read.displayVersion(), "2.1");
    EXPECT_EQ(read.releaseNotesLink, QUrl("https://lumenor.org/notes/2.1.0"));
    EXPECT_EQ(read.description, "Fixes & changes");
    ASSERT_TRUE(read.enclosure);
    EXPECT_EQ(read.enclosure->type, "application/vnd.debian.binary-package");
}

TEST(Appcast, AFeedThatIsNotWellFormedRssIsAnError) {
    const QByteArray good = feedXml({signedItem("2.0")});
    for (const QByteArray& bad :
         {QByteArray("not xml at all"), QByteArray(good).replace("</channel>", ""),
          QByteArray(good).replace("rss", "feed"), QByteArray("<rss version=\"2.0\"/>"),
          good + "<extra/>",
          QByteArray(good).insert(good.indexOf("<rss"), "<!DOCTYPE rss [<!ENTITY x \"y\">]>")}) {
        const AppcastParse feed = parseAppcast(bad);
        EXPECT_TRUE(feed.error) << bad.toStdString();
        EXPECT_TRUE(feed.items.empty());
    }
}

TEST(UpdateChoice, TheNewestItemForThisComputerNewerThanTheRunningOneElseUpToDate) {
    FeedItem otherSystem = signedItem("3.0");
    otherSystem.os = "windows";
    FeedItem newerSystem = signedItem("2.9");
    newerSystem.minimumSystem = "13";
    FeedItem beta = signedItem("2.8");
    beta.channel = "beta";
    const UpdateChoice choice = choose({signedItem("1.10.0"), otherSystem, newerSystem, beta,
                                        signedItem("1.11.0-rc.1"), signedItem("1.9.5")});
    ASSERT_EQ(choice.kind, UpdateChoice::Kind::available);
    EXPECT_EQ(choice.item->version, "1.11.0-rc.1");

    UpdatePlatform betaTester = kPlatform;
    betaTester.channels = {"beta"};
    const AppcastParse feed = parseAppcast(feedXml({signedItem("2.0"), beta}));
    EXPECT_EQ(chooseUpdate(feed.items, "1.0", betaTester).item->version, "2.8");

    // Nothing newer is up to date.
    EXPECT_EQ(choose({signedItem("1.9.0"), signedItem("1.9.0-rc.2"), signedItem("1.2")}).kind,
              UpdateChoice::Kind::upToDate);
    EXPECT_EQ(choose({}).kind, UpdateChoice::Kind::upToDate);
}

TEST(UpdateChoice, AnUnsignedOrUnsafeNewestItemIsRefusedNotOffered) {
    FeedItem unsigned_ = signedItem("2.0");
    unsigned_.signature.clear();
    FeedItem garbled = signedItem("2.0");
    garbled.signature = "c2hvcnQ=";
    FeedItem plain = signedItem("2.0");
    plain.url = "http://example.test/lumenor.deb";
    FeedItem noDigest = signedItem("2.0");
    noDigest.sha256 = "abc";
    for (const FeedItem& item : {unsigned_, garbled, plain, noDigest}) {
        const UpdateChoice choice = choose({signedItem("1.9.5"), item});
        EXPECT_EQ(choice.kind, UpdateChoice::Kind::refused);
        EXPECT_TRUE(choice.message.contains("Lumenor 2.0")) << choice.message.toStdString();
    }
}

// The maintainers' signing script and the checks in Lumenor agree, with keys made by the
// openssl tool as the release key is: the offer it signs is the one Lumenor verifies, for the
// package it was given and no other.
TEST(DownloadCheck, AcceptsWhatTheReleaseSigningScriptSignsAndNothingElse) {
    QTemporaryDir dir;
    const QString key = dir.filePath("release.pem");
    const QString path = dir.filePath("p.deb");
    ASSERT_EQ(QProcess::execute("openssl", {"genpkey", "-algorithm", "ed25519", "-out", key}), 0);
    const QByteArray package = test::debPackage("2.0.0");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(package);
    file.close();

    QProcess sign;
    sign.start(SIGN_SCRIPT, {key, path, "2.0"});
    ASSERT_TRUE(sign.waitForFinished(30000));
    const QString printed = QString::fromLatin1(sign.readAllStandardOutput());
    const QRegularExpression pattern(
        "^<lumenor:version>2.0.0</lumenor:version>\n"
        "<lumenor:shortVersionString>2.0</lumenor:shortVersionString>\n"
        "length=\"(\\d+)\" lumenor:arch=\"amd64\" lumenor:sha256=\"([0-9a-f]{64})\" "
        "lumenor:offerSignature=\"([^\"]+)\" lumenor:edSignature=\"[^\"]+\"\n$");
    const QRegularExpressionMatch m = pattern.match(printed);
    ASSERT_TRUE(m.hasMatch()) << printed.toStdString();

    QProcess pub;
    pub.start("openssl", {"pkey", "-in", key, "-pubout", "-outform", "DER"});
    ASSERT_TRUE(pub.waitForFinished(30000));
    const QByteArray publicKey = pub.readAllStandardOutput().right(32);

    FeedItem item = signedItem("2.0.0");
    item.shortVersion = "2.0";
    item.length = m.captured(1).toLongLong();
    item.sha256 = m.captured(2);
    item.signature = m.captured(3);
    const AppcastItem read = parseAppcast(feedXml({item})).items.at(0);
    EXPECT_FALSE(checkDownload(package, read, publicKey));
    EXPECT_FALSE(checkPackageFields(package, read));
    QByteArray changed = package;
    changed[changed.size() - 1] = static_cast<char>(changed.back() ^ 1);
    EXPECT_TRUE(checkDownload(changed, read, publicKey));
    EXPECT_TRUE(checkDownload(package, read, test::TestKey().publicKey()));
    AppcastItem relabelled = read;
    relabelled.shortVersion = "2.1";
    EXPECT_TRUE(checkDownload(package, relabelled, publicKey));
}

}  // namespace
}  // namespace lumenor
