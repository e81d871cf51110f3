#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>

#include "support/process.h"
#include "support/process_lines.h"
#include "support/trickle_flood.h"
#include "support/xorg_testbed.h"

namespace lumenor {
namespace {

using test::lumenorBinary;
using test::XServerTest;

class ShowRemote : public XServerTest {};

TEST_F(ShowRemote, TricklingConnectionsCostTheMovingOutputNoRefresh) {
    QProcess show;
    show.setProcessEnvironment(x().environment());
    show.start(lumenorBinary(), {"show", "movingBlock", "--remote", "--remote-address", "127.0.0.1",
                                 "--seconds", "60"});
    ASSERT_TRUE(show.waitForStarted());
    quint16 port = 0;
    int dropped = -1;
    const QRegularExpression urlLine("^phone remote: http://127\\.0\\.0\\.1:(\\d+)/");
    // Reads the output's lines for this long, keeping its port and its count of dropped
    // refreshes.
    auto follow = [&](int ms) {
        for (const QByteArray& line : test::readLines(show, ms)) {
            if (const auto m = urlLine.match(QString::fromUtf8(line)); m.hasMatch()) {
                port = static_cast<quint16>(m.captured(1).toUInt());
            } else if (const int d = test::frameLine(line).dropped; d >= 0) {
                dropped = d;
            }
        }
    };
    follow(4000);
    ASSERT_NE(port, 0);
    ASSERT_GE(dropped, 0);
    // The same stretch without traffic first: refreshes the machine alone costs say nothing
    // about the remote.
    const int quietFrom = dropped;
    follow(8000);
    const int quiet = dropped - quietFrom;
    int closed = 0;
    int flooded = 0;
    int after = 0;
    if (quiet == 0) {
        const int before = dropped;
        {
            test::TrickleFlood flood(port, 400);
            follow(8000);
            closed = flood.closedByServer();
        }
        follow(1500);  // the report that covers the flood's last moment
        flooded = dropped - before;
        if (flooded > 0) {
            // The same stretch without traffic again: drops there too are the machine's.
            const int at = dropped;
            follow(8000);
            after = dropped - at;
        }
    }
    show.terminate();
    EXPECT_TRUE(show.waitForFinished(5000));
    if (quiet > 0 || after > 0) {
        GTEST_SKIP() << "the output dropped " << quiet + after << " refreshes without traffic ("
                     << flooded << " under the flood): the machine is too busy to judge";
    }
    EXPECT_GT(closed, 0);  // the flood reached the remote
    EXPECT_EQ(flooded, 0);
}

}  // namespace
}  // namespace lumenor
