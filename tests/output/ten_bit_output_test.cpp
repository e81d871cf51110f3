#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>

#include <set>

#include "calibration/calibrate_session.h"
#include "support/process.h"
#include "support/xorg_testbed.h"

namespace lumenor {
namespace {

using test::lumenorBinary;
using test::runProcess;
using test::TenBits;
using test::tenBitsAt;

constexpr int kBannerGoneMs = 3800;

// The output on a server at depth 30: frames of ten bits a channel, read back exactly.
class TenBitOutput : public test::XServerTest {
  protected:
    static void SetUpTestSuite() { startServer({}, 30); }
    void TearDown() override {
        if (show_.state() != QProcess::NotRunning) {
            show_.kill();
            show_.waitForFinished(5000);
        }
    }
    void startShow(const QStringList& args) {
        show_.setProcessEnvironment(x().environment());
        show_.start(lumenorBinary(), QStringList{"show"} + args);
        ASSERT_TRUE(show_.waitForStarted());
        ASSERT_TRUE(x().findWindow("Lumenor output", 10000).has_value())
            << show_.readAllStandardError().toStdString();
        QThread::msleep(kBannerGoneMs);
    }
    QProcess show_;
};

TEST_F(TenBitOutput, ARampAsWideAsTheCodesShowsEachCodeOnce) {
    ASSERT_TRUE(
        x().newMode({"1024x768_60", "65.00 1024 1048 1184 1344 768 771 777 806 -hsync -vsync"}));
    ASSERT_TRUE(x().setMode("DUMMY0", "1024x768_60"));
    startShow({"gradient", "--seconds", "30"});
    const QImage row = x().captureDeep(QRect(0, 100, 1024, 1));
    ASSERT_EQ(row.format(), QImage::Format_RGB30);
    std::set<int> codes;
    int exact = 0;
    for (int i = 0; i < 1024; ++i) {
        const TenBits p = tenBitsAt(row, i, 0);
        codes.insert(p.r);
        exact += p == TenBits{i, i, i} ? 1 : 0;
    }
    EXPECT_EQ(codes.size(), 1024u);
    EXPECT_EQ(exact, 1024);
}

// The HD bars in limited range on the head, at their 10-bit codes.
TEST_F(TenBitOutput, HdBarsShowTheirTenBitCodes) {
    startShow({"smpteHdBars", "--range", "limited", "--seconds", "30"});
    const QImage head = x().captureDeep(QRect(0, 0, 1920, 1080));
    const auto grey = [](int v) { return TenBits{v, v, v}; };
    EXPECT_EQ(tenBitsAt(head, 120, 279), grey(414)) << "left panel";
    EXPECT_EQ(tenBitsAt(head, 1800, 279), grey(414)) << "right panel";
    EXPECT_EQ(tenBitsAt(head, 300, 279), grey(721)) << "75 % white";
    EXPECT_EQ(tenBitsAt(head, 1165, 979), grey(46)) << "PLUGE -2 %";
    EXPECT_EQ(tenBitsAt(head, 1303, 979), grey(82)) << "PLUGE +2 %";
    EXPECT_EQ(tenBitsAt(head, 1440, 979), grey(99)) << "PLUGE +4 %";
    show_.kill();
    show_.waitForFinished(5000);
    if (test::logsOnStandardError()) {
        EXPECT_FALSE(show_.readAllStandardError().contains("rounded to 8 bits"));
    }
}

TEST_F(TenBitOutput, TheDisplaysSayTheyHaveTenBits) {
    auto r = runProcess(lumenorBinary(), {"displays", "--json"}, x().environment());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonArray list = QJsonDocument::fromJson(r.out).array();
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].toObject()["bitsPerChannel"].toInt(), 10);
    r = runProcess(lumenorBinary(), {"displays"}, x().environment());
    EXPECT_TRUE(r.out.contains("depth:   10 bits a channel")) << r.out.toStdString();
}

}  // namespace
}  // namespace lumenor
