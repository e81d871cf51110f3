#pragma once

#include <QSet>
#include <QString>

#include <optional>
#include <vector>

#include "displays/display_info.h"
#include "patterns/aspect_tables.h"
#include "patterns/pattern.h"
#include "patterns/video_levels.h"

namespace lumenor {

// The application's single mutable state record; main thread only.
struct AppState {
    std::vector<DisplayInfo> displays;
    std::optional<DisplayId> selectedDisplayID;
    std::optional<DisplayId> outputDisplayID;
    // The display holding the controller window, as last seen: refreshed before each command.
    std::optional<DisplayId> controllerDisplayID;
    Pattern activePattern = Pattern::calibration;
    bool outputVisible = false;
    bool infoVisible = false;
    double bouncePeriod = 1.0;
    QSet<QString> aspectRatios = defaultAspectSelection();
    bool autoCycleOn = false;
    double autoCycleInterval = 2.0;
    int timecodeFps = 30;
    QString slateText;
    VideoRange videoRange = VideoRange::full;
    bool mirrorAll = false;
    double syncOffsetMs = 0.0;
};

}  // namespace lumenor
