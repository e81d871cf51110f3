#pragma once

#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

#include "displays/display_info.h"

class QScreen;

namespace lumenor {

class IdentifyView;

// Shows a numbered card on every display for a while.
class DisplayIdentifier {
  public:
    DisplayIdentifier();
    ~DisplayIdentifier();
    DisplayIdentifier(const DisplayIdentifier&) = delete;
    DisplayIdentifier& operator=(const DisplayIdentifier&) = delete;

    // Finds the screen that shows a display; set by the owner.
    std::function<QScreen*(DisplayId)> screenForDisplay;

    // Replaces any cards shown with one per display that has a screen, numbered by position
    // in `displays` from 1, and removes them after `seconds`.
    void show(const std::vector<DisplayInfo>& displays, double seconds);
    void dismiss();

    const std::vector<std::unique_ptr<IdentifyView>>& windows() const { return windows_; }

  private:
    std::vector<std::unique_ptr<IdentifyView>> windows_;
    QTimer timer_;
};

}  // namespace lumenor
