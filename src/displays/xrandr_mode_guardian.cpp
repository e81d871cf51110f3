#include "displays/xrandr_mode_guardian.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "displays/child_reaper.h"
#include "displays/xrandr_connection.h"
#include "displays/xrandr_mode_apply.h"

extern char** environ;

namespace lumenor {

namespace {

const QByteArray kReady(kGuardianReady);

}  // namespace

ModeGuardian::ModeGuardian(QString program, QStringList args, const QString& displayName)
    : program_(std::move(program)), args_(std::move(args)) {
    args_ << displayName;
}

ModeGuardian::~ModeGuardian() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    // Closing our end made the helper put back what it held: give it a moment to finish, so
    // that the display is restored when we are gone. It restores all the same if it needs
    // longer, and is collected then.
    using namespace std::chrono_literals;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
        const pid_t r = ::waitpid(pid_, nullptr, WNOHANG);
        if (r == pid_ || (r < 0 && errno != EINTR)) {
            pid_ = -1;
            break;
        }
        std::this_thread::sleep_for(10ms);
    }
    reapWhenEnded(pid_);
}

std::optional<ModeGuardian::Entry> ModeGuardian::held(unsigned long output) const {
    const auto it = held_.find(output);
    return it == held_.end() ? std::nullopt : std::optional<Entry>(it->second);
}

bool ModeGuardian::hold(unsigned long output, Entry entry) {
    if (!running() && !start()) {
        return false;
    }
    if (!send(QStringLiteral("hold %1 %2 %3\n")
                  .arg(output)
                  .arg(entry.snapshot)
                  .arg(entry.applied)
                  .toLatin1())) {
        // The helper is gone, and with it what it held; the next hold starts a new one.
        release();
        return false;
    }
    held_[output] = entry;
    return true;
}

void ModeGuardian::forget(unsigned long output) {
    if (held_.erase(output) == 0) {
        return;
    }
    send(QStringLiteral("forget %1\n").arg(output).toLatin1());
    if (held_.empty()) {
        release();
    }
}

bool ModeGuardian::start() {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        return false;
    }
    std::vector<QByteArray> argBytes{program_.toLocal8Bit()};
    for (const QString& a : args_) {
        argBytes.push_back(a.toLocal8Bit());
    }
    std::vector<char*> argv;
    argv.reserve(argBytes.size() + 1);
    for (QByteArray& a : argBytes) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    // A session of its own: the terminal's Ctrl-C and hang-up reach us, not the helper,
    // which must outlive us long enough to restore.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        return false;
    }
    pid_ = pid;
    fd_ = fds[0];
    // Nothing counts as held until the helper has its own X connection.
    if (!awaitReady()) {
        ::kill(pid_, SIGKILL);
        release();
        return false;
    }
    return true;
}

bool ModeGuardian::awaitReady() {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    QByteArray got;
    while (!got.contains('\n')) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd p{fd_, POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r <= 0) {
            return false;
        }
        char chunk[16];
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0) {
            return false;
        }
        got.append(chunk, n);
    }
    return got == kReady;
}

bool ModeGuardian::send(const QByteArray& line) {
    if (fd_ < 0) {
        return false;
    }
    qsizetype done = 0;
    while (done < line.size()) {
        const ssize_t n = ::send(fd_, line.constData() + done,
                                 static_cast<size_t>(line.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += n;
    }
    return true;
}

void ModeGuardian::release() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    // It restores, if it must, and exits as soon as it reads the end of its input; it is
    // collected when it does, without anyone waiting for it here.
    reapWhenEnded(pid_);
    pid_ = -1;
    held_.clear();
}

namespace {

void restore(XrandrConnection& c, const std::map<unsigned long, ModeGuardian::Entry>& held) {
    for (const auto& [output, entry] : held) {
        if (currentModeOfOutput(c, output) == entry.applied) {
            setOutputMode(c, output, entry.snapshot);
        }
    }
}

void handleLine(const QByteArray& line, std::map<unsigned long, ModeGuardian::Entry>& held) {
    const QList<QByteArray> words = line.simplified().split(' ');
    bool ok1 = false;
    bool ok2 = false;
    bool ok3 = false;
    if (words.size() == 4 && words[0] == "hold") {
        const unsigned long output = words[1].toULong(&ok1);
        const unsigned long snapshot = words[2].toULong(&ok2);
        const unsigned long applied = words[3].toULong(&ok3);
        if (ok1 && ok2 && ok3) {
            held[output] = {snapshot, applied};
        }
    } else if (words.size() == 2 && words[0] == "forget") {
        const unsigned long output = words[1].toULong(&ok1);
        if (ok1) {
            held.erase(output);
        }
    }
}

}  // namespace

std::map<unsigned long, ModeGuardian::Entry> readGuardianHolds(int inputFd) {
    std::map<unsigned long, ModeGuardian::Entry> held;
    QByteArray buffer;
    char chunk[512];
    for (;;) {
        const ssize_t n = ::read(inputFd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        buffer.append(chunk, n);
        qsizetype end = 0;
        while ((end = buffer.indexOf('\n')) >= 0) {
            handleLine(buffer.left(end), held);
            buffer.remove(0, end + 1);
        }
    }
    return held;
}

int runModeGuardian(int inputFd, int outputFd, const char* displayName) {
    // A parent already gone must not take the helper with it.
    ::signal(SIGPIPE, SIG_IGN);
    // Connected before anything is held, so that a restore needs no connection set-up.
    std::unique_ptr<XrandrConnection> c = XrandrConnection::open(displayName, nullptr);
    if (!c) {
        return 1;
    }
    [[maybe_unused]] const ssize_t said =
        ::write(outputFd, kReady.constData(), static_cast<size_t>(kReady.size()));
    const std::map<unsigned long, ModeGuardian::Entry> held = readGuardianHolds(inputFd);
    restore(*c, held);
    return 0;
}

}  // namespace lumenor
