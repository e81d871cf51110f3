#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace lumenor {

// Seconds of CLOCK_MONOTONIC, the clock the lockout is measured on.
double monotonicSeconds();

// The PIN check of the command route: wrong PINs are counted across every connection, and
// the tenth in a row locks commands out for 30 seconds.
class CommandGate {
  public:
    enum class Verdict { accepted, forbidden, locked };

    static constexpr int kAttemptsBeforeLockout = 10;
    static constexpr double kLockoutSeconds = 30.0;

    explicit CommandGate(std::function<double()> clock = monotonicSeconds);

    // A new run: this PIN, no failed attempts, no lockout.
    void reset(const QString& pin);
    Verdict check(const std::optional<QString>& pin);

    const QString& pin() const { return pin_; }
    int failedAttempts() const { return failedAttempts_; }
    double lockoutUntil() const { return lockoutUntil_; }

  private:
    std::function<double()> clock_;
    QString pin_;
    int failedAttempts_ = 0;
    double lockoutUntil_ = 0.0;
};

// Compares the whole of both texts whatever their contents, so the time taken does not tell
// where the first differing character is.
bool samePin(const QString& given, const QString& expected);

}  // namespace lumenor
