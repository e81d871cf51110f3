#include "remote/command_gate.h"

#include <time.h>

#include <cmath>
#include <utility>

#include "core/log.h"

namespace lumenor {

namespace {

constexpr double kCeilingWindowSeconds = 60.0;

}  // namespace

double monotonicSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

CommandGate::CommandGate(std::function<double()> clock) : clock_(std::move(clock)) {}

void CommandGate::reset(const QString& pin) {
    pin_ = pin;
    clients_.clear();
    recentWrong_.clear();
    ceilingLogged_ = false;
}

int CommandGate::failedAttempts(const QString& client) const {
    const auto it = clients_.find(client);
    return it == clients_.end() ? 0 : it->second.failed;
}

CommandGate::Verdict CommandGate::check(const QString& client, const std::optional<QString>& pin) {
    const double now = clock_();
    if (!clients_.contains(client)) {
        forgetIdleClients(now);
    }
    Client& c = clients_[client];
    if (now < c.lockedUntil || overCeiling(now, c.trusted)) {
        return Verdict::locked;
    }
    if (pin && samePin(*pin, pin_)) {
        c = Client{0, 0, 0.0, true};
        return Verdict::accepted;
    }
    recentWrong_.push_back(now);
    if (++c.failed >= kAttemptsBeforeLockout) {
        const double seconds = kLockoutSeconds * std::exp2(std::min(c.lockouts, kMaxDoublings));
        c.failed = 0;
        ++c.lockouts;
        c.lockedUntil = now + seconds;
        qCWarning(logRemote, "phone remote: %s locked out for %.0f s after %d wrong PINs",
                  qPrintable(client), seconds, kAttemptsBeforeLockout);
    }
    return Verdict::forbidden;
}

int CommandGate::secondsLocked(const QString& client) const {
    const double now = clock_();
    double until = 0.0;
    const auto it = clients_.find(client);
    if (it != clients_.end()) {
        until = it->second.lockedUntil;
    }
    const bool trusted = it != clients_.end() && it->second.trusted;
    if (!trusted && std::ssize(recentWrong_) >= kWrongPerMinuteCeiling) {
        until = std::max(until, recentWrong_.front() + kCeilingWindowSeconds);
    }
    return static_cast<int>(std::ceil(std::max(0.0, until - now)));
}

bool CommandGate::overCeiling(double now, bool trusted) {
    while (!recentWrong_.empty() && recentWrong_.front() <= now - kCeilingWindowSeconds) {
        recentWrong_.pop_front();
    }
    if (std::ssize(recentWrong_) < kWrongPerMinuteCeiling) {
        ceilingLogged_ = false;
        return false;
    }
    if (!ceilingLogged_) {
        ceilingLogged_ = true;
        qCWarning(logRemote,
                  "phone remote: %d wrong PINs within a minute; only addresses that gave the "
                  "right PIN are checked until the minute has passed",
                  kWrongPerMinuteCeiling);
    }
    return !trusted;
}

void CommandGate::forgetIdleClients(double now) {
    if (clients_.size() < kTrackedAddresses) {
        return;
    }
    std::erase_if(clients_, [now](const auto& entry) {
        return !entry.second.trusted && entry.second.lockedUntil <= now;
    });
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
