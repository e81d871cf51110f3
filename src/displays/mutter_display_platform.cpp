#include "displays/mutter_display_platform.h"

#include "displays/qt_screens.h"

namespace lumenor {

QString mutterScreenName(const MutterMonitor& monitor) {
    // Mutter says "unknown" where the EDID names no product.
    const QString& product = monitor.spec.product;
    if (!product.isEmpty() && product != QStringLiteral("unknown")) {
        return product;
    }
    return monitor.isBuiltin ? QStringLiteral("Built-in Display") : monitor.spec.connector;
}

MutterDisplayPlatform::MutterDisplayPlatform(MutterDisplayConfig config)
    : config_(std::move(config)) {}

const MutterState* MutterDisplayPlatform::state() {
    if (!state_) {
        state_ = config_.currentState();
    }
    return state_ ? &*state_ : nullptr;
}

std::optional<std::vector<DisplayId>> MutterDisplayPlatform::activeDisplays() {
    state_ = config_.currentState();
    if (!state_) {
        return std::nullopt;
    }
    std::vector<DisplayId> ids;
    for (const MutterMonitor& m : state_->monitors) {
        if (currentMutterMode(m) != nullptr) {
            ids.push_back(mutterDisplayId(m.spec));
        }
    }
    return ids;
}

std::optional<ModeInfo> MutterDisplayPlatform::currentMode(DisplayId id) {
    const MutterState* s = state();
    const MutterMonitor* m = s != nullptr ? s->monitor(id) : nullptr;
    const MutterMode* current = m != nullptr ? currentMutterMode(*m) : nullptr;
    if (current == nullptr) {
        return std::nullopt;
    }
    return modeInfoFromMutter(*m, static_cast<std::size_t>(current - m->modes.data()),
                              s->logicalMonitorOf(m->spec.connector), s->layoutMode);
}

bool MutterDisplayPlatform::isBuiltin(DisplayId id) {
    const MutterState* s = state();
    const MutterMonitor* m = s != nullptr ? s->monitor(id) : nullptr;
    return m != nullptr && m->isBuiltin;
}

PhysicalSize MutterDisplayPlatform::physicalSizeMM(DisplayId id) {
    const MutterState* s = state();
    const MutterMonitor* m = s != nullptr ? s->monitor(id) : nullptr;
    return m != nullptr ? m->physicalSizeMM : PhysicalSize{};
}

bool MutterDisplayPlatform::isQuarterTurned(DisplayId id) {
    const MutterState* s = state();
    const MutterMonitor* m = s != nullptr ? s->monitor(id) : nullptr;
    const MutterLogicalMonitor* l = m != nullptr ? s->logicalMonitorOf(m->spec.connector) : nullptr;
    return l != nullptr && isQuarterTurn(l->transform);
}

std::vector<ScreenEntry> MutterDisplayPlatform::screens() {
    std::vector<ScreenEntry> list;
    const MutterState* s = state();
    if (s == nullptr) {
        return list;
    }
    for (const MutterMonitor& m : s->monitors) {
        if (currentMutterMode(m) != nullptr) {
            list.push_back({qtScreenNamed(m.spec.connector), mutterDisplayId(m.spec),
                            mutterScreenName(m), m.spec.connector});
        }
    }
    return list;
}

std::unique_ptr<ChangeSubscription> MutterDisplayPlatform::observeChanges(
    std::function<void()> onChange) {
    return config_.observeChanges([this, onChange = std::move(onChange)] {
        state_.reset();
        onChange();
    });
}

}  // namespace lumenor
