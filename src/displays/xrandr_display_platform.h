#pragma once

#include <memory>

#include "displays/display_platform.h"
#include "displays/xrandr_connection.h"

namespace lumenor {

// The display platform on X11: outputs and CRTCs read through RandR on our own connection.
// Active displays are connected outputs that drive a CRTC; the display id is the output id
// and a mode's number is its RandR mode id.
class XrandrDisplayPlatform : public DisplayPlatform {
  public:
    explicit XrandrDisplayPlatform(std::unique_ptr<XrandrConnection> connection);
    ~XrandrDisplayPlatform() override;

    std::optional<std::vector<DisplayId>> activeDisplays() override;
    std::optional<ModeInfo> currentMode(DisplayId id) override;
    bool isBuiltin(DisplayId id) override;
    PhysicalSize physicalSizeMM(DisplayId id) override;
    int bitsPerChannel(DisplayId id) override;
    bool isQuarterTurned(DisplayId id) override;
    std::vector<ScreenEntry> screens() override;
    bool seenThroughXwayland() override { return connection_->isXwayland(); }
    std::unique_ptr<ChangeSubscription> observeChanges(std::function<void()> onChange) override;

    XrandrConnection& connection() { return *connection_; }

    // The connector name of an output ("DUMMY1", "HDMI-1"), or empty.
    QString connectorName(DisplayId id);

  private:
    class Watch;

    std::unique_ptr<XrandrConnection> connection_;
};

}  // namespace lumenor
