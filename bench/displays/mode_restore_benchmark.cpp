// How long a display stays in a trial mode after the trial's process is killed outright:
// from SIGKILL to the moment the X server shows the previous mode again (the guardian's
// restore). Run with LUMENOR_BIN pointing at the lumenor executable; the target is under 2 s.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <csignal>

#include "support/process.h"
#include "support/xorg_testbed.h"

namespace {

using lumenor::test::XorgTestbed;

void BM_RestoreAfterSigkill(benchmark::State& state) {
    QString error;
    const auto x = XorgTestbed::start(&error);
    if (!x || !x->plug("DUMMY1", "1280x720_60")) {
        state.SkipWithError(("no virtual X server: " + error).toStdString().c_str());
        return;
    }
    const QString display = QString::number(x->outputId("DUMMY1"));
    const QString mode = QString::number(x->modeId("1920x1080_60"));
    for (auto _ : state) {
        QProcess trial;
        trial.setProcessEnvironment(x->environment());
        trial.start(lumenor::test::lumenorBinary(), {"set-mode", display, mode, "--seconds", "60"});
        while (!trial.canReadLine() && trial.waitForReadyRead(10000)) {
        }
        if (x->head("DUMMY1")->mode != "1920x1080_60") {
            state.SkipWithError("the trial did not start");
            return;
        }
        QElapsedTimer t;
        t.start();
        ::kill(static_cast<pid_t>(trial.processId()), SIGKILL);
        while (x->head("DUMMY1")->mode != "1280x720_60" && t.elapsed() < 10000) {
            QThread::usleep(500);
        }
        state.SetIterationTime(static_cast<double>(t.nsecsElapsed()) / 1e9);
        trial.waitForFinished(5000);
        // Let the guardian finish before the next round.
        QThread::msleep(100);
    }
}
BENCHMARK(BM_RestoreAfterSigkill)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
