#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>

#include "support/process.h"
#include "support/xorg_testbed.h"

namespace lumenor::test {

// `lumenor show` on the virtual X server, stopped after each test.
class OutputOnX : public XServerTest {
  protected:
    void TearDown() override {
        if (show_.state() != QProcess::NotRunning) {
            show_.kill();
            show_.waitForFinished(5000);
        }
    }

    // Starts `lumenor show` with these arguments and waits for its output window.
    void startShow(const QStringList& args) {
        show_.setProcessEnvironment(x().environment());
        show_.start(lumenorBinary(), QStringList{"show"} + args);
        ASSERT_TRUE(show_.waitForStarted());
        ASSERT_TRUE(x().findWindow("Lumenor output", 10000).has_value())
            << show_.readAllStandardError().toStdString();
    }

    static QString id(const QString& output) { return QString::number(x().outputId(output)); }

    // Keys pressed or the pointer moved, as `xdotool key NAME...` or `xdotool mousemove X Y`.
    static void xdotool(const QStringList& args) {
        const auto r = runProcess("xdotool", args, x().environment());
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }

    QProcess show_;
};

}  // namespace lumenor::test
