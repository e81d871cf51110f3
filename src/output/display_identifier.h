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

    // False on a Wayland desktop: a window there cannot ask to be put on a display of its own
    // (only a full-screen one can), so a card would land wherever the compositor puts it.
    static bool canPlaceCards();
    // A line saying why no cards are shown where they cannot be placed.
    static const char* cannotPlaceCardsText();

    // Replaces any cards shown with one per display that has a screen, numbered by position
    // in `displays` from 1, and removes them after `seconds`. Where cards cannot be placed,
    // shows none and says so in the log.
    void show(const std::vector<DisplayInfo>& displays, double seconds);
    void dismiss();

    const std::vector<std::unique_ptr<IdentifyView>>& windows() const { return windows_; }

  private:
    std::vector<std::unique_ptr<IdentifyView>> windows_;
    QTimer timer_;
};

}  // namespace lumenor
