#include "support/pulse_testbed.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sys/prctl.h>
#include <csignal>
#include <cstring>

namespace lumenor::test {

namespace {

constexpr const char* kSink = "lumenor_null";

}  // namespace

std::unique_ptr<PulseTestbed> PulseTestbed::start(QString* error) {
    std::unique_ptr<PulseTestbed> bed(new PulseTestbed());
    if (!bed->dir_.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return nullptr;
    }
    const QString script = bed->dir_.filePath(QStringLiteral("server.pa"));
    QFile file(script);
    const QByteArray text =
        QStringLiteral(
            "load-module module-native-protocol-unix auth-anonymous=1 "
            "socket=%1\n"
            "load-module module-null-sink sink_name=%2 rate=44100 channels=2 "
            "format=float32le\n"
            "set-default-sink %2\n")
            .arg(bed->dir_.filePath(QStringLiteral("native")), QLatin1String(kSink))
            .toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) < 0) {
        *error = QStringLiteral("cannot write %1").arg(script);
        return nullptr;
    }
    file.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // As root the daemon wants a home and runtime folder of its own, not the system's.
    env.insert(QStringLiteral("HOME"), bed->dir_.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), bed->dir_.path());
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), bed->dir_.path());
    env.remove(QStringLiteral("PULSE_SERVER"));
    bed->daemon_.setProcessEnvironment(env);
    bed->daemon_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    bed->daemon_.setStandardOutputFile(bed->dir_.filePath(QStringLiteral("pulse.log")));
    bed->daemon_.setStandardErrorFile(bed->dir_.filePath(QStringLiteral("pulse.log")),
                                      QIODevice::Append);
    bed->daemon_.start(
        QStringLiteral("pulseaudio"),
        {QStringLiteral("--daemonize=no"), QStringLiteral("--system=false"),
         QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--log-target=stderr"),
         QStringLiteral("-n"), QStringLiteral("-F"), script});
    if (!bed->daemon_.waitForStarted(10000)) {
        *error = QStringLiteral("cannot run pulseaudio: %1").arg(bed->daemon_.errorString());
        return nullptr;
    }
    // Ready once pactl gets an answer on our socket.
    for (int attempt = 0; attempt < 100; ++attempt) {
        QProcess pactl;
        pactl.setProcessEnvironment(bed->environment());
        pactl.start(QStringLiteral("pactl"), {QStringLiteral("info")});
        if (pactl.waitForFinished(5000) && pactl.exitStatus() == QProcess::NormalExit &&
            pactl.exitCode() == 0) {
            return bed;
        }
        if (bed->daemon_.state() == QProcess::NotRunning) {
            break;
        }
        QThread::msleep(100);
    }
    QFile log(bed->dir_.filePath(QStringLiteral("pulse.log")));
    log.open(QIODevice::ReadOnly);
    *error = QStringLiteral("pulseaudio did not start:\n%1")
                 .arg(QString::fromLocal8Bit(log.readAll().right(2000)));
    return nullptr;
}

PulseTestbed::~PulseTestbed() {
    for (QProcess* p : {&recorder_, &daemon_}) {
        if (p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(5000)) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }
}

QString PulseTestbed::serverAddress() const {
    return QStringLiteral("unix:") + dir_.filePath(QStringLiteral("native"));
}

QString PulseTestbed::monitorName() {
    return QStringLiteral("%1.monitor").arg(QLatin1String(kSink));
}

QProcessEnvironment PulseTestbed::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PULSE_SERVER"), serverAddress());
    env.insert(QStringLiteral("HOME"), dir_.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_.path());
    return env;
}

bool PulseTestbed::startRecording() {
    recorder_.setProcessEnvironment(environment());
    recorder_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    recorder_.setStandardOutputFile(dir_.filePath(QStringLiteral("recording.raw")));
    recorder_.start(
        QStringLiteral("parec"),
        {QStringLiteral("--device=") + monitorName(), QStringLiteral("--format=float32le"),
         QStringLiteral("--rate=44100"), QStringLiteral("--channels=2"),
         QStringLiteral("--latency-msec=20"), QStringLiteral("--raw")});
    if (!recorder_.waitForStarted(10000)) {
        return false;
    }
    // Recording has begun once the monitor's silence reaches the file; what plays before that
    // would be lost.
    const QString path = dir_.filePath(QStringLiteral("recording.raw"));
    for (int waited = 0; waited < 10000 && recorder_.state() == QProcess::Running; waited += 20) {
        if (QFileInfo(path).size() > 0) {
            return true;
        }
        QThread::msleep(20);
    }
    return false;
}

Recording PulseTestbed::stopRecording() {
    // What the server still buffers reaches the monitor shortly after playback.
    QThread::msleep(300);
    recorder_.terminate();
    recorder_.waitForFinished(5000);
    QFile file(dir_.filePath(QStringLiteral("recording.raw")));
    Recording r;
    if (!file.open(QIODevice::ReadOnly)) {
        return r;
    }
    const QByteArray bytes = file.readAll();
    const auto frames = static_cast<std::size_t>(bytes.size()) / (2 * sizeof(float));
    r.left.resize(frames);
    r.right.resize(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        std::memcpy(&r.left[i], bytes.constData() + i * 8, 4);
        std::memcpy(&r.right[i], bytes.constData() + i * 8 + 4, 4);
    }
    return r;
}

}  // namespace lumenor::test
