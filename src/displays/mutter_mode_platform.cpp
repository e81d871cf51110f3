#include "displays/mutter_mode_platform.h"

#include <QCoreApplication>
#include <QDBusConnection>

#include <unistd.h>
#include <csignal>

#include "core/log.h"

namespace lumenor {

namespace {

const MutterMonitor* monitorOf(const std::optional<MutterState>& state, DisplayId id) {
    return state ? state->monitor(id) : nullptr;
}

}  // namespace

int currentMutterModeNumber(const MutterState& state, DisplayId id) {
    const MutterMonitor* m = state.monitor(id);
    const MutterMode* current = m != nullptr ? currentMutterMode(*m) : nullptr;
    return current != nullptr ? static_cast<int>(current - m->modes.data()) + 1 : 0;
}

bool applyMutterMode(const MutterDisplayConfig& config, const MutterState& state, DisplayId id,
                     int modeNumber, QString* error) {
    const MutterMonitor* m = state.monitor(id);
    if (m == nullptr || modeNumber < 1 || modeNumber > static_cast<int>(m->modes.size())) {
        *error = QStringLiteral("no such monitor or mode");
        return false;
    }
    const auto wanted = configWithMode(state, m->spec.connector,
                                       m->modes[static_cast<std::size_t>(modeNumber - 1)].id);
    if (!wanted) {
        *error = QStringLiteral("the monitor is not in the desktop's layout");
        return false;
    }
    return config.applyTemporarily(state, *wanted, error);
}

MutterModePlatform::MutterModePlatform(MutterDisplayConfig config, QString guardianProgram,
                                       QStringList guardianArgs, const QString& busAddress)
    : config_(std::move(config)),
      guardian_(std::move(guardianProgram), std::move(guardianArgs), busAddress) {}

const std::optional<MutterState>& MutterModePlatform::state() {
    if (!stateRead_) {
        state_ = config_.currentState();
        stateRead_ = true;
        QMetaObject::invokeMethod(
            &stateExpiry_, [this] { stateRead_ = false; }, Qt::QueuedConnection);
    }
    return state_;
}

std::optional<std::vector<ModeInfo>> MutterModePlatform::allModes(DisplayId id) {
    const std::optional<MutterState>& state = this->state();
    const MutterMonitor* m = monitorOf(state, id);
    if (m == nullptr) {
        return std::nullopt;
    }
    std::vector<ModeInfo> modes;
    const MutterLogicalMonitor* logical = state->logicalMonitorOf(m->spec.connector);
    for (std::size_t i = 0; i < m->modes.size(); ++i) {
        modes.push_back(modeInfoFromMutter(*m, i, logical, state->layoutMode));
    }
    return modes;
}

std::optional<ModeInfo> MutterModePlatform::currentMode(DisplayId id) {
    const std::optional<MutterState>& state = this->state();
    const int number = state ? currentMutterModeNumber(*state, id) : 0;
    if (number == 0) {
        return std::nullopt;
    }
    const MutterMonitor* m = state->monitor(id);
    return modeInfoFromMutter(*m, static_cast<std::size_t>(number - 1),
                              state->logicalMonitorOf(m->spec.connector), state->layoutMode);
}

bool MutterModePlatform::isQuarterTurned(DisplayId id) {
    const std::optional<MutterState>& state = this->state();
    const MutterMonitor* m = monitorOf(state, id);
    const MutterLogicalMonitor* l =
        m != nullptr ? state->logicalMonitorOf(m->spec.connector) : nullptr;
    return l != nullptr && isQuarterTurn(l->transform);
}

std::optional<QString> MutterModePlatform::modeChangeRefusal() {
    if (config_.applyAllowed()) {
        return std::nullopt;
    }
    return QStringLiteral(
        "The desktop takes no display modes from programs at the moment; use the desktop's "
        "display settings.");
}

bool MutterModePlatform::beginConfiguration() {
    configured_.reset();
    return true;
}

void MutterModePlatform::configureDisplay(DisplayId id, const ModeInfo& mode) {
    configured_ = std::make_pair(id, mode.id);
}

bool MutterModePlatform::completeConfiguration(ConfigureScope scope) {
    if (!configured_) {
        return false;
    }
    const auto [id, number] = *configured_;
    configured_.reset();
    // Against the latest state, so that the serial is current and nothing else changes; what
    // was read before no longer holds after this.
    stateRead_ = false;
    const std::optional<MutterState> state = config_.currentState();
    if (!state || state->monitor(id) == nullptr) {
        return false;
    }
    if (scope == ConfigureScope::forAppOnly) {
        return applyForAppOnly(*state, id, number);
    }
    if (!apply(*state, id, number)) {
        return false;
    }
    guardian_.forget(id);
    return true;
}

bool MutterModePlatform::apply(const MutterState& state, DisplayId id, int modeNumber) {
    QString error;
    if (applyMutterMode(config_, state, id, modeNumber, &error)) {
        return true;
    }
    qCWarning(logDisplay, "the desktop refused mode %d on display %u: %s", modeNumber, id,
              qPrintable(error));
    return false;
}

bool MutterModePlatform::applyForAppOnly(const MutterState& state, DisplayId id, int modeNumber) {
    const int before = currentMutterModeNumber(state, id);
    if (before == 0) {
        guardian_.forget(id);
        return false;
    }
    const std::optional<ModeGuardian::Entry> earlier = guardian_.held(id);
    // The first application-only change of a display fixes what goes back at the end.
    const auto snapshot = earlier ? earlier->snapshot : static_cast<unsigned long>(before);
    const bool backToSnapshot = snapshot == static_cast<unsigned long>(modeNumber);
    // Held before the change, so no moment passes in which our end would leave it behind.
    if (!backToSnapshot &&
        !guardian_.hold(id, {snapshot, static_cast<unsigned long>(modeNumber)})) {
        return false;
    }
    const bool ok = apply(state, id, modeNumber);
    if (!ok && earlier) {
        guardian_.hold(id, *earlier);
    } else if (!ok || backToSnapshot) {
        guardian_.forget(id);
    }
    return ok;
}

int runMutterModeGuardian(int inputFd, int outputFd, const char* busAddress) {
    // A parent already gone must not take the helper with it.
    ::signal(SIGPIPE, SIG_IGN);
    int argc = 1;
    char name[] = "lumenor";
    char* argv[] = {name, nullptr};
    const QCoreApplication app(argc, argv);
    // Connected before anything is held, so that a restore needs no connection set-up.
    const QString address = QString::fromLocal8Bit(busAddress);
    const QDBusConnection bus =
        address.isEmpty()
            ? QDBusConnection::sessionBus()
            : QDBusConnection::connectToBus(address, QStringLiteral("lumenor-mode-guardian"));
    const MutterDisplayConfig config(bus);
    if (!config.currentState()) {
        return 1;
    }
    [[maybe_unused]] const ssize_t said =
        ::write(outputFd, kGuardianReady, sizeof kGuardianReady - 1);
    const std::map<unsigned long, ModeGuardian::Entry> held = readGuardianHolds(inputFd);
    for (const auto& [display, entry] : held) {
        const std::optional<MutterState> state = config.currentState();
        const auto id = static_cast<DisplayId>(display);
        // A mode changed or kept since is left alone.
        if (state && currentMutterModeNumber(*state, id) == static_cast<int>(entry.applied)) {
            QString error;
            applyMutterMode(config, *state, id, static_cast<int>(entry.snapshot), &error);
        }
    }
    return 0;
}

}  // namespace lumenor
