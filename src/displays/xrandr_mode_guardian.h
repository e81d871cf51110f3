#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>
#include <map>
#include <optional>

namespace lumenor {

// The X server undoes nothing when a client ends, so modes applied for this application only
// are watched by a small helper process. It holds, per output, the mode to put back and the
// mode we applied; when its input closes (we quit, crash or are killed, and the kernel closes
// our end) it puts each snapshot back, but only where the output still shows the mode we
// applied, so a mode changed or kept since is left alone. Then it exits.
class ModeGuardian {
  public:
    struct Entry {
        unsigned long snapshot = 0;  // the RandR mode to put back
        unsigned long applied = 0;   // the RandR mode we put on the output
    };

    // `program` and `args` start the helper; the X display name is appended to `args`.
    ModeGuardian(QString program, QStringList args, const QString& displayName);
    // Lets the helper restore what it holds and waits a little for it to finish.
    ~ModeGuardian();
    ModeGuardian(const ModeGuardian&) = delete;
    ModeGuardian& operator=(const ModeGuardian&) = delete;

    std::optional<Entry> held(unsigned long output) const;
    // Starts the helper if it is not running; false when it cannot be started or told.
    bool hold(unsigned long output, Entry entry);
    // Stops the helper once it holds nothing.
    void forget(unsigned long output);

    bool running() const { return pid_ > 0; }

  private:
    bool start();
    bool awaitReady();
    bool send(const QByteArray& line);
    // Lets the helper go (it restores what it still holds) without waiting for it.
    void release();

    QString program_;
    QStringList args_;
    std::map<unsigned long, Entry> held_;
    pid_t pid_ = -1;
    int fd_ = -1;
};

// What the helper says once it can restore.
inline constexpr char kGuardianReady[] = "ready\n";

// The helper's side, on any platform: reads "hold OUTPUT SNAPSHOT APPLIED" and "forget OUTPUT"
// lines from `inputFd` until it closes, and returns what is held then.
std::map<unsigned long, ModeGuardian::Entry> readGuardianHolds(int inputFd);

// The helper's side on X11: reads "hold OUTPUT SNAPSHOT APPLIED" and "forget OUTPUT" lines from
// `inputFd` until it closes, then restores. It says "ready" on `outputFd` once connected to
// the X display. Returns the process's exit status.
int runModeGuardian(int inputFd, int outputFd, const char* displayName);

}  // namespace lumenor
