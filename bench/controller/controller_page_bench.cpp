// Starts lumenor on the virtual X server five times and prints how long each took from the
// process start to the controller page's `ready` reaching native code, then the memory of
// lumenor and its web-engine processes with the controller page open: the sum of their
// resident sets (shared pages counted in every process) and of their proportional sets
// (shared pages split between the processes sharing them). Targets: ready within 1.0 s,
// memory under 300 MB.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench_beds.h"
#include "bench_figures.h"
#include "support/process.h"

namespace {

constexpr int kRuns = 5;

struct Memory {
    qint64 rssKiB = 0;
    qint64 pssKiB = 0;
    int processes = 0;
};

qint64 parentOf(const QString& pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return -1;
    }
    // The command name may hold blanks; the fields after its closing parenthesis do not.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() : -1;
}

qint64 rollupField(qint64 pid, const QByteArray& name) {
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!rollup.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : rollup.readAll().split('\n')) {
        if (line.startsWith(name + ':')) {
            return line.mid(name.size() + 1).trimmed().split(' ').first().toLongLong();
        }
    }
    return 0;
}

// The process and all its descendants.
Memory memoryOfTree(qint64 root) {
    std::vector<qint64> tree{root};
    bool grew = true;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    while (grew) {
        grew = false;
        for (const QString& entry : entries) {
            bool isPid = false;
            const qint64 pid = entry.toLongLong(&isPid);
            if (isPid && std::find(tree.begin(), tree.end(), pid) == tree.end() &&
                std::find(tree.begin(), tree.end(), parentOf(entry)) != tree.end()) {
                tree.push_back(pid);
                grew = true;
            }
        }
    }
    Memory m;
    for (qint64 pid : tree) {
        m.rssKiB += rollupField(pid, "Rss");
        m.pssKiB += rollupField(pid, "Pss");
        ++m.processes;
    }
    return m;
}

void wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("LUMENOR_BIN")) {
        qputenv("LUMENOR_BIN", LUMENOR_BIN_PATH);
    }
    auto x = lumenor::bench::startXorg();
    if (!x) {
        return 1;
    }
    QTemporaryDir config;
    QProcessEnvironment env = x->environment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    lumenor::test::acceptAgreementIn(env, config.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"),
               QStringLiteral("org.lumenor.Lumenor.app.debug=true"));

    std::vector<double> readyMs;
    Memory memory;
    for (int run = 0; run < kRuns; ++run) {
        QProcess lumenor;
        lumenor.setProcessEnvironment(env);
        QByteArray err;
        QEventLoop loop;
        QObject::connect(&lumenor, &QProcess::readyReadStandardError, &loop, [&] {
            err += lumenor.readAllStandardError();
            if (err.contains("controller page ready")) {
                loop.quit();
            }
        });
        QObject::connect(&lumenor, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        lumenor.start(lumenor::test::lumenorBinary(), {});
        loop.exec();
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (!err.contains("controller page ready")) {
            std::fprintf(stderr, "run %d: no ready within 10 s\n%s\n", run + 1, err.constData());
            return 1;
        }
        readyMs.push_back(ms);
        std::printf("run %d: ready after %.0f ms\n", run + 1, ms);
        if (run == kRuns - 1) {
            wait(3000);  // let the page settle after its first paint
            memory = memoryOfTree(lumenor.processId());
        }
        lumenor.terminate();
        lumenor.waitForFinished(10000);
    }
    std::printf("process start to ready: median %.0f ms, slowest %.0f ms (target 1000 ms)\n",
                lumenor::bench::median(readyMs), *std::max_element(readyMs.begin(), readyMs.end()));
    std::printf(
        "memory, controller page open, %d processes: resident sum %.0f MB, proportional sum "
        "%.0f MB (target 300 MB)\n",
        memory.processes, static_cast<double>(memory.rssKiB) / 1024.0,
        static_cast<double>(memory.pssKiB) / 1024.0);
    return 0;
}
