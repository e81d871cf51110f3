#include "remote/command_gate.h"

#include <time.h>

#include <utility>

namespace lumenor {

double monotonicSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

CommandGate::CommandGate(std::function<double()> clock) : clock_(std::move(clock)) {}

void CommandGate::reset(const QString& pin) {
    pin_ = pin;
    failedAttempts_ = 0;
    lockoutUntil_ = 0.0;
}

CommandGate::Verdict CommandGate::check(const std::optional<QString>& pin) {
    const double now = clock_();
    if (now < lockoutUntil_) {
        return Verdict::locked;
    }
    if (!pin || !samePin(*pin, pin_)) {
        if (++failedAttempts_ >= kAttemptsBeforeLockout) {
            failedAttempts_ = 0;
            lockoutUntil_ = now + kLockoutSeconds;
        }
        return Verdict::forbidden;
    }
    failedAttempts_ = 0;
    return Verdict::accepted;
}

bool samePin(const QString& given, const QString& expected) {
    const QByteArray a = given.toUtf8();
    const QByteArray b = expected.toUtf8();
    // Every character of the expected PIN is looked at, whatever the given text holds.
    unsigned difference = a.size() == b.size() ? 0U : 1U;
    for (qsizetype i = 0; i < b.size(); ++i) {
        const unsigned mine = i < a.size() ? static_cast<unsigned char>(a[i]) : 0U;
        difference |= mine ^ static_cast<unsigned char>(b[i]);
    }
    return difference == 0;
}

}  // namespace lumenor
