#pragma once

#include <QString>

#include <deque>
#include <functional>
#include <map>
#include <optional>

namespace lumenor {

// Seconds of CLOCK_MONOTONIC, the clock the lockout is measured on.
double monotonicSeconds();

// The PIN check of the command route. Wrong PINs are counted for each client address: the
// tenth in a row locks that address out, for 30 seconds the first time and twice as long each
// time after, so that a guesser locks out only itself. Across all addresses at most
// kWrongPerMinuteCeiling wrong PINs a minute are looked at; beyond that only addresses that
// have already given the right PIN are checked, the rest wait for the minute to pass.
class CommandGate {
  public:
    enum class Verdict { accepted, forbidden, locked };

    static constexpr int kAttemptsBeforeLockout = 10;
    static constexpr double kLockoutSeconds = 30.0;
    static constexpr int kMaxDoublings = 10;  // the longest lockout is about eight and a half hours
    static constexpr int kWrongPerMinuteCeiling = 15;
    // Addresses beyond this forget those that are neither locked out nor trusted.
    static constexpr std::size_t kTrackedAddresses = 4096;

    explicit CommandGate(std::function<double()> clock = monotonicSeconds);

    // A new run: this PIN, no failed attempts, no lockout, no address known.
    void reset(const QString& pin);
    // `client`: the address the attempt comes from.
    Verdict check(const QString& client, const std::optional<QString>& pin);

    const QString& pin() const { return pin_; }
    int failedAttempts(const QString& client) const;
    // Whole seconds until `client` is checked again after a locked verdict (its lockout, or
    // the minute of the ceiling); 0 when it is not held back.
    int secondsLocked(const QString& client) const;

  private:
    struct Client {
        int failed = 0;    // wrong PINs since the last lockout or right PIN
        int lockouts = 0;  // lockouts since the last right PIN
        double lockedUntil = 0.0;
        bool trusted = false;  // has given the right PIN this run
    };

    bool overCeiling(double now, bool trusted);
    void forgetIdleClients(double now);

    std::function<double()> clock_;
    QString pin_;
    std::map<QString, Client> clients_;
    std::deque<double> recentWrong_;  // when each wrong PIN of the last minute came
    bool ceilingLogged_ = false;
};

// Compares the whole of both texts whatever their contents, so the time taken does not tell
// where the first differing character is.
bool samePin(const QString& given, const QString& expected);

}  // namespace lumenor
