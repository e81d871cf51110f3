#include "displays/mutter_display_state.h"

#include <QPoint>
#include <QSize>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace lumenor {

namespace {

QSize modeSize(const MutterMode& m, const MutterLogicalMonitor& logical, std::uint32_t layoutMode) {
    const double divisor = layoutMode == 1 && logical.scale > 0 ? logical.scale : 1.0;
    QSize size(static_cast<int>(std::lround(m.width / divisor)),
               static_cast<int>(std::lround(m.height / divisor)));
    return isQuarterTurn(logical.transform) ? size.transposed() : size;
}

std::uint32_t fnv1a(const QByteArray& bytes) {
    std::uint32_t h = 2166136261U;
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619U;
    }
    return h;
}

}  // namespace

const MutterMonitor* MutterState::monitor(DisplayId id) const {
    const auto it = std::find_if(monitors.begin(), monitors.end(), [id](const MutterMonitor& m) {
        return mutterDisplayId(m.spec) == id;
    });
    return it == monitors.end() ? nullptr : &*it;
}

const MutterLogicalMonitor* MutterState::logicalMonitorOf(const QString& connector) const {
    for (const MutterLogicalMonitor& l : logicalMonitors) {
        if (std::find(l.connectors.begin(), l.connectors.end(), connector) != l.connectors.end()) {
            return &l;
        }
    }
    return nullptr;
}

DisplayId mutterDisplayId(const MutterMonitorSpec& spec) {
    const QByteArray key =
        QStringList{spec.connector, spec.vendor, spec.product, spec.serial}.join('\n').toUtf8();
    // Kept to 31 bits and away from 0, so that it reads the same as a signed number and never
    // means "none".
    return std::max<DisplayId>(fnv1a(key) & 0x7fffffffU, 1);
}

const MutterMode* currentMutterMode(const MutterMonitor& monitor) {
    const auto it = std::find_if(monitor.modes.begin(), monitor.modes.end(),
                                 [](const MutterMode& m) { return m.isCurrent; });
    return it == monitor.modes.end() ? nullptr : &*it;
}

ModeInfo modeInfoFromMutter(const MutterMonitor& monitor, std::size_t index,
                            const MutterLogicalMonitor* logical, std::uint32_t layoutMode) {
    const MutterMode& m = monitor.modes.at(index);
    ModeInfo info;
    info.id = static_cast<std::int32_t>(index + 1);
    info.pixelWidth = m.width;
    info.pixelHeight = m.height;
    info.pointWidth = m.width;
    info.pointHeight = m.height;
    // The desktop's size in points is the mode's at the monitor's scale, unturned here.
    if (logical != nullptr && layoutMode == 1 && logical->scale > 0) {
        info.pointWidth = std::lround(m.width / logical->scale);
        info.pointHeight = std::lround(m.height / logical->scale);
    }
    info.refreshHz = m.refreshHz;
    info.isCurrent = m.isCurrent;
    info.raw = std::make_shared<const QString>(m.id);
    return info;
}

bool isQuarterTurn(std::uint32_t transform) {
    return transform % 2 == 1;
}

std::optional<std::vector<MutterLogicalConfig>> configWithMode(const MutterState& state,
                                                               const QString& connector,
                                                               const QString& modeId) {
    std::vector<MutterLogicalConfig> config;
    std::optional<QSize> oldSize;
    std::optional<QSize> newSize;
    QPoint changedAt;
    for (const MutterLogicalMonitor& l : state.logicalMonitors) {
        MutterLogicalConfig c{l.x, l.y, l.scale, l.transform, l.primary, {}};
        for (const QString& name : l.connectors) {
            const auto monitor =
                std::find_if(state.monitors.begin(), state.monitors.end(),
                             [&](const MutterMonitor& m) { return m.spec.connector == name; });
            const MutterMode* current =
                monitor == state.monitors.end() ? nullptr : currentMutterMode(*monitor);
            if (current == nullptr) {
                return std::nullopt;
            }
            if (name != connector) {
                c.monitors.push_back({name, current->id, monitor->underscanning});
                continue;
            }
            const auto wanted = std::find_if(monitor->modes.begin(), monitor->modes.end(),
                                             [&](const MutterMode& m) { return m.id == modeId; });
            if (wanted == monitor->modes.end()) {
                return std::nullopt;
            }
            c.monitors.push_back({name, modeId, monitor->underscanning});
            oldSize = modeSize(*current, l, state.layoutMode);
            newSize = modeSize(*wanted, l, state.layoutMode);
            changedAt = QPoint(l.x, l.y);
        }
        config.push_back(std::move(c));
    }
    if (!oldSize) {
        return std::nullopt;
    }
    const int dx = newSize->width() - oldSize->width();
    const int dy = newSize->height() - oldSize->height();
    for (MutterLogicalConfig& c : config) {
        if (c.x >= changedAt.x() + oldSize->width()) {
            c.x += dx;
        }
        if (c.y >= changedAt.y() + oldSize->height()) {
            c.y += dy;
        }
    }
    return config;
}

}  // namespace lumenor
