// Leaves `lumenor show timecode --mirror --info` running on two 1920 × 1080 heads of the virtual
// X server for a long show (default an hour: soak_bench [SECONDS]) and prints its resident
// memory once a minute, then the growth from the end of a warm-up minute to the end, and the
// refreshes missed over the same stretch from the frame lines `show` prints. Beside the show, a
// bystander in this process follows the same head with the same kind of refresh link; a refresh
// it misses too went missing in the X server's own clock, which on a virtual machine stalls when
// the host does not run it. Fails (status 1) when the memory grew by more than 1 MB or the show
// missed a refresh the bystander did not: run it on an idle machine.
// The anonymous pages (where a leak shows) and the shared ones (the frame buffers, up to four of
// 8 MB for each head, the last ones taken only when the server falls behind) are printed apart.
// LUMENOR_BIN names another lumenor executable to run.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "support/refresh_bystander.h"
#include "support/xorg_testbed.h"

namespace {

constexpr int kWarmUpSeconds = 60;
constexpr long kLargestGrowthKb = 1024;

struct Resident {
    long totalKb = 0;  // VmRSS
    long anonKb = 0;   // RssAnon
    long shmemKb = 0;  // RssShmem
};

// What a process holds in memory, none once it is gone.
std::optional<Resident> residentOf(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QRegularExpression field("^(VmRSS|RssAnon|RssShmem):\\s+(\\d+) kB");
    Resident r;
    int found = 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (const auto m = field.match(QString::fromLatin1(line)); m.hasMatch()) {
            const QString name = m.captured(1);
            long& kb = name == QLatin1String("VmRSS")     ? r.totalKb
                       : name == QLatin1String("RssAnon") ? r.anonKb
                                                          : r.shmemKb;
            kb = m.captured(2).toLong();
            ++found;
        }
    }
    return found == 3 ? std::optional<Resident>(r) : std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 3600;
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: soak_bench [SECONDS]  (default 3600)\n");
        return 2;
    }
    QString error;
    auto x = lumenor::test::XorgTestbed::start(&error);
    if (!x || !x->plug(QStringLiteral("DUMMY1"), QStringLiteral("1920x1080_60"))) {
        std::fprintf(stderr, "virtual X server: %s\n", qPrintable(error));
        return 1;
    }
    // Settings and logs of the run stay out of the user's own.
    QTemporaryDir home;
    QProcessEnvironment env = x->environment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));

    QProcess show;
    show.setProcessEnvironment(env);
    show.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    lumenor::test::RefreshBystander bystander(env.value(QStringLiteral("DISPLAY")).toLocal8Bit());
    std::optional<int> dropped;  // the latest total `show` reported
    int ownMissed = 0;           // of those, refreshes the bystander did not miss, once counted
    bool counting = false;
    std::int64_t lastReportUs = lumenor::test::nowUs();
    const QRegularExpression frameLine("^frame [0-9.]+ Hz dropped (\\d+)");
    QObject::connect(&show, &QProcess::readyReadStandardOutput, [&] {
        while (show.canReadLine()) {
            const QString line = QString::fromUtf8(show.readLine());
            if (const auto m = frameLine.match(line); m.hasMatch()) {
                const int total = m.captured(1).toInt();
                // A report covers the half second before it; a little more allows for the pipe.
                const std::int64_t at = lumenor::test::nowUs();
                if (counting && dropped && total > *dropped &&
                    !bystander.missedBetween(lastReportUs - 100'000, at)) {
                    ownMissed += total - *dropped;
                }
                dropped = total;
                lastReportUs = at;
            }
        }
    });
    const int runFor = kWarmUpSeconds + seconds + 10;
    const QString bin = qEnvironmentVariableIsEmpty("LUMENOR_BIN")
                            ? QStringLiteral(LUMENOR_BIN_PATH)
                            : qEnvironmentVariable("LUMENOR_BIN");
    show.start(bin,
               {"show", "timecode", "--mirror", "--info", "--seconds", QString::number(runFor)});
    if (!show.waitForStarted(10000)) {
        std::fprintf(stderr, "cannot run lumenor: %s\n", qPrintable(show.errorString()));
        return 1;
    }
    const qint64 pid = show.processId();
    auto waitUntil = [&](const QElapsedTimer& clock, qint64 ms) {
        while (clock.elapsed() < ms && show.state() == QProcess::Running) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
            show.waitForReadyRead(200);
        }
    };
    QElapsedTimer clock;
    clock.start();
    waitUntil(clock, kWarmUpSeconds * 1000LL);
    const std::optional<Resident> start = residentOf(pid);
    const std::optional<int> droppedAtStart = dropped;
    if (!start || !droppedAtStart) {
        std::fprintf(stderr, "lumenor show did not run through the warm-up minute\n");
        return 1;
    }
    counting = true;
    if (!bystander.running()) {
        std::fprintf(stderr, "no bystander refresh link: every missed refresh is the show's\n");
    }
    std::printf("%8s %10s %10s %10s %10s %8s %8s\n", "minute", "RSS kB", "growth kB", "anon kB",
                "shared kB", "missed", "alone");
    for (int minute = 1; minute * 60 <= seconds; ++minute) {
        waitUntil(clock, (kWarmUpSeconds + minute * 60) * 1000LL);
        const std::optional<Resident> now = residentOf(pid);
        if (!now || !dropped) {
            break;
        }
        std::printf("%8d %10ld %10ld %10ld %10ld %8d %8d\n", minute, now->totalKb,
                    now->totalKb - start->totalKb, now->anonKb, now->shmemKb,
                    *dropped - *droppedAtStart, ownMissed);
        std::fflush(stdout);
    }
    waitUntil(clock, (kWarmUpSeconds + seconds) * 1000LL);
    const std::optional<Resident> end = residentOf(pid);
    if (!end) {
        std::fprintf(stderr, "lumenor show ended before the soak did\n");
        return 1;
    }
    const int missed = *dropped - *droppedAtStart;
    const int alone = ownMissed;
    show.waitForFinished(30000);
    const long growth = end->totalKb - start->totalKb;
    std::printf(
        "%d s after a %d s warm-up: RSS %ld kB -> %ld kB, growth %ld kB (%.1f kB/min; anonymous "
        "%+ld kB, shared %+ld kB); refreshes missed %d, %d of them where the bystander's went "
        "missing too, %d by the show alone\n",
        seconds, kWarmUpSeconds, start->totalKb, end->totalKb, growth,
        static_cast<double>(growth) * 60.0 / seconds, end->anonKb - start->anonKb,
        end->shmemKb - start->shmemKb, missed, missed - alone, alone);
    const bool good = growth <= kLargestGrowthKb && alone == 0;
    std::printf("%s\n", good ? "within 1 MB growth and no refresh missed by the show alone"
                             : "OUT OF BOUNDS");
    return good ? 0 : 1;
}
