#pragma once

#include <QImage>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "audio/click_player.h"
#include "displays/display_info.h"
#include "displays/refresh_link.h"
#include "output/frame_meter.h"
#include "output/hud_view.h"
#include "output/info_card_view.h"
#include "patterns/pattern.h"
#include "patterns/pattern_view.h"

class QScreen;

namespace lumenor {

class OutputWindow;

// Puts the active pattern on the chosen display, mirrors it onto the others when asked,
// draws the banner and info card over it, clicks and beeps with its animations and measures
// the output display's cadence.
class OutputWindowController {
  public:
    // `clickStream` is the audio output of the click and beep markers.
    OutputWindowController(RefreshLinkFactory& links, std::unique_ptr<AudioStream> clickStream);
    ~OutputWindowController();
    OutputWindowController(const OutputWindowController&) = delete;
    OutputWindowController& operator=(const OutputWindowController&) = delete;

    // Screens and displays, as the display service maps them; set by the owner.
    std::function<QScreen*(DisplayId)> screenForDisplay;
    std::function<std::optional<DisplayId>(QScreen*)> displayIdForScreen;
    std::function<void(double hz, int dropped, bool steady)> onFrameUpdate;
    // Instead of frame updates, where the output's refreshes cannot be timed.
    std::function<void()> onFrameTimingUnavailable;

    void show(const DisplayInfo& display, Pattern pattern);
    void hide();
    void reposition(const DisplayInfo& display);
    void setPattern(Pattern pattern);
    void setAspectRatios(const QSet<QString>& labels);
    void setSlateText(const QString& text);
    void setSlateImage(const std::optional<QImage>& image);
    void setBouncePeriod(double seconds);
    void setVideoRange(VideoRange range);
    void setTimecodeFps(int fps);
    // A second either way is far beyond any display's or receiver's own delay.
    static constexpr double kLargestSyncOffsetMs = 1000.0;
    // Moves every click and beep against the picture, in milliseconds: positive is later.
    void setSyncOffsetMs(double ms);
    double syncOffsetMs() const { return click_.syncOffsetMs(); }
    void setMirrorOn(bool on);
    bool mirrorOn() const { return mirrorOn_; }
    void rebuildMirrors();
    // With the hint, the banner also says how the output is taken away, and stays longer.
    void showDisplayBanner(const DisplayInfo& display, bool withHideHint = false);
    void showDisplayInfo(const DisplayInfo& display);
    void setInfoVisible(bool visible);

    PatternView& patternView() { return *patternView_; }
    HUDView& hud() { return hud_; }
    InfoCardView& infoCard() { return infoCard_; }
    std::optional<DisplayId> currentDisplayID() const { return currentDisplayID_; }
    bool isShown() const { return window_ != nullptr; }
    // True while the output window has the keyboard.
    bool hasKeyboard() const;
    // The mirror windows' views, in screen order.
    std::vector<PatternView*> mirrorViews() const;

  private:
    static constexpr double kBannerSeconds = 3.0;

    struct Mirror;
    void layOutOverlays();
    void installKeyMonitor();
    void drawOverlays(QPainter& painter);
    void startMeterOnceShown(DisplayId display);
    void pollMeterStart();
    double markerLeadSeconds() const;
    std::optional<QString> exactnessNote(const DisplayInfo& display);

    RefreshLinkFactory& links_;
    std::unique_ptr<OutputWindow> window_;
    std::optional<DisplayId> currentDisplayID_;
    std::unique_ptr<PatternView> patternView_;
    HUDView hud_;
    InfoCardView infoCard_;
    ClickPlayer click_;
    FrameMeter frameMeter_;
    QTimer meterStart_;  // waits for the output's first frame to reach the screen
    DisplayId meterDisplay_ = 0;
    int meterWaitedMs_ = 0;
    std::uint64_t framesShownBefore_ = 0;
    std::unique_ptr<QObject> keyMonitor_;
    bool mirrorOn_ = false;
    std::vector<std::unique_ptr<Mirror>> mirrors_;
    QSet<QString> notedInLog_;
};

}  // namespace lumenor
