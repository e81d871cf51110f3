#pragma once

#include <QColor>
#include <QString>

namespace lumenor {

struct FrameStatusText {
    QString text;
    QColor colour;
};

// The info card's frame line for a report.
FrameStatusText frameStatusText(int dropped, bool steady);

// Shown instead of reports where refreshes cannot be timed.
FrameStatusText frameTimingUnavailableText();

// Shown before the first report.
QString frameStatusPlaceholder();

}  // namespace lumenor
