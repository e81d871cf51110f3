// The output on GNOME's compositor as a native Wayland client: its refresh timing and what it
// says of its pixels.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>

#include "support/nested_mutter.h"

namespace lumenor::test {

namespace {

// The output's window, view and meter on one monitor of the nested desktop (output_probe).
class Probe {
  public:
    Probe(const NestedMutter& mutter, const QString& pattern, const QString& connector,
          const QString& mode) {
        QProcessEnvironment env = mutter.environment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        process_.setProcessEnvironment(env);
        process_.start(QStringLiteral(LUMENOR_OUTPUT_PROBE), {pattern, connector, mode});
    }
    ~Probe() {
        process_.kill();
        process_.waitForFinished();
    }
    // The next line starting with `prefix`, waiting up to `timeoutMs`; empty when none came.
    QString next(const QString& prefix, int timeoutMs) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            while (process_.canReadLine()) {
                const QString line = QString::fromUtf8(process_.readLine()).trimmed();
                if (line.startsWith(prefix)) {
                    return line;
                }
            }
            process_.waitForReadyRead(50);
        }
        return {};
    }

  private:
    QProcess process_;
};

double meterHz(const QString& line) {
    return line.section(QLatin1Char(' '), 1, 1).toDouble();
}

}  // namespace

class WaylandOutputTest : public NestedMutterTest {};

TEST_F(WaylandOutputTest, MeterTimesTheCompositorsRefreshesAndFollowsARateChange) {
    Probe probe(mutter(), QStringLiteral("movingBlock"), QStringLiteral("LVDS1"),
                QStringLiteral("1920x1080"));
    const QString first = probe.next(QStringLiteral("meter"), 15000);
    ASSERT_NE(first, QStringLiteral("meter untimed"));
    EXPECT_NEAR(meterHz(first), 60.0, 0.1) << first.toStdString();

    ASSERT_TRUE(
        mutter().applyModes({{QStringLiteral("LVDS1"), QStringLiteral("1920x1080@50.000")},
                             {QStringLiteral("LVDS2"), QStringLiteral("1920x1080@60.000")}}));
    QString line;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 15000 && std::abs(meterHz(line) - 50.0) > 0.1) {
        line = probe.next(QStringLiteral("meter"), 15000);
    }
    EXPECT_NEAR(meterHz(line), 50.0, 0.1) << line.toStdString();
    ASSERT_TRUE(
        mutter().applyModes({{QStringLiteral("LVDS1"), QStringLiteral("1920x1080@60.000")},
                             {QStringLiteral("LVDS2"), QStringLiteral("1920x1080@60.000")}}));
}

TEST_F(WaylandOutputTest, AFractionalScaleIsSaidNotToBeOneToOne) {
    QString error;
    NestedMutter::Options options;
    options.scales = QStringLiteral("1.25,1");
    const std::unique_ptr<NestedMutter> scaled =
        NestedMutter::start(x().displayName(), &error, options);
    ASSERT_TRUE(scaled) << error.toStdString();
    Probe probe(*scaled, QStringLiteral("grid"), QStringLiteral("LVDS1"),
                QStringLiteral("1920x1080"));
    const QString pixels = probe.next(QStringLiteral("pixels"), 10000);
    EXPECT_TRUE(pixels.startsWith(QStringLiteral("pixels not 1:1"))) << pixels.toStdString();
}

}  // namespace lumenor::test
