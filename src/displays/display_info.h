#pragma once

#include <QJsonObject>
#include <QString>

#include <cstdint>

#include "displays/mode_info.h"

namespace lumenor {

using DisplayId = std::uint32_t;

struct PhysicalSize {
    double width = 0.0;  // millimetres; 0 where unknown
    double height = 0.0;
};

// One active display as enumerated.
struct DisplayInfo {
    DisplayId id = 0;
    QString name;
    QString connector;  // where it is plugged in ("HDMI-1"); empty where unknown
    bool isBuiltin = false;
    ModeInfo currentMode;  // always marked current and never native
    PhysicalSize physicalSizeMM;
    int bitsPerChannel = 8;  // 10 on a desktop at depth 30

    // The object the controller page receives.
    QJsonObject toJson() const;
};

}  // namespace lumenor
