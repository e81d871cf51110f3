#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "displays/display_info.h"

class QScreen;

namespace lumenor {

// One entry of the window system's screen list.
struct ScreenEntry {
    QScreen* screen = nullptr;        // null where no Qt screen object shows it
    std::optional<DisplayId> number;  // none when the screen's number cannot be read
    QString localizedName;
    QString connector;  // where the display is plugged in ("HDMI-1"); empty where unknown
};

// Keeps a change registration alive; destroying it unregisters.
class ChangeSubscription {
  public:
    virtual ~ChangeSubscription() = default;
};

// The display-configuration services the display service is written against.
class DisplayPlatform {
  public:
    virtual ~DisplayPlatform() = default;

    // Active displays in the platform's order; none when the query fails.
    virtual std::optional<std::vector<DisplayId>> activeDisplays() = 0;
    // The display's current mode with its size (as the mode defines it, unturned) and rate
    // filled in; none when unreadable.
    virtual std::optional<ModeInfo> currentMode(DisplayId id) = 0;
    virtual bool isBuiltin(DisplayId id) = 0;
    // The panel's size as it is built, whichever way the head is turned.
    virtual PhysicalSize physicalSizeMM(DisplayId id) = 0;
    // Bits a channel the display is driven with: 10 where the desktop runs at depth 30, else 8.
    virtual int bitsPerChannel(DisplayId id) = 0;
    // The head is turned a quarter either way: its desktop is the mode's height wide.
    virtual bool isQuarterTurned(DisplayId id) = 0;
    virtual std::vector<ScreenEntry> screens() = 0;
    // The desktop is a Wayland session that we see through Xwayland: the compositor, not the
    // X server, decides what reaches the displays, and may scale our windows.
    virtual bool seenThroughXwayland() = 0;
    // The desktop is a Wayland session on which we run natively.
    virtual bool isNativeWayland() { return false; }
    // Calls `onChange` on the main thread once per configuration change (the platform's
    // notifications of one change taken together), for as long as the returned subscription
    // lives.
    virtual std::unique_ptr<ChangeSubscription> observeChanges(std::function<void()> onChange) = 0;
};

}  // namespace lumenor
