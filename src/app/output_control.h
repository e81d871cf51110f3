#pragma once

#include <QImage>
#include <QSettings>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "app/app_state.h"
#include "app/page_sink.h"
#include "output/output_window_controller.h"

namespace lumenor {

// The output verbs: what is shown, where, and how; keeps AppState's output fields and the
// output window controller in step and tells the page. Main thread only.
class OutputControl {
  public:
    struct Hooks {
        PageSink send;
        // True, after saying so, while calibration patches hold the display.
        std::function<bool(DisplayId)> patchesHold;
        std::function<void()> stopAutoCycle;
        // After the output was shown or hidden.
        std::function<void(bool shown)> shownChanged;
    };

    // `preferences` keeps the sync offset across launches; without it nothing is kept.
    OutputControl(AppState& state, OutputWindowController& output, QSettings* preferences,
                  Hooks hooks);

    void showOn(const DisplayInfo& display, Pattern pattern);
    void hide();
    void showOutput(bool on);
    void selectOutputDisplay(DisplayId id);
    void showPattern(const QString& name);
    void cycle(std::int64_t delta);
    // Makes `pattern` the active one and shows it, bringing up a hidden output (blank, a slate
    // logo); stops the auto-cycle.
    void put(Pattern pattern);
    void showInfo(bool on);
    void setMirror(bool on);
    void setBouncePeriod(double seconds);
    void setAspectRatios(const QStringList& labels);
    void setTimecodeFps(std::int64_t fps);
    void setSlateText(const QString& text);
    // "full" or "limited"; anything else is ignored.
    void setVideoRange(const QString& name);
    void useSlateImage(const QString& path);
    void clearSlateImage();
    // Held to the range `show --av-offset` takes, kept in the preferences, and sent back so
    // that the page shows what is in force.
    void setSyncOffset(double ms);
    void restoreSyncOffset();
    // Puts the state's aspect frames, bounce period and slate text on the output, and shows
    // the active pattern again where the output is up (a profile was loaded).
    void applyState();
    // Follows a new display list: an output whose display went is hidden, one that stays is
    // laid out again.
    void displaysChanged(const std::vector<DisplayInfo>& displays);
    // After a wake the windows go back where they belong.
    void reposition();

  private:
    // Says once, when the HD bars are up in full range, that their step below black is lost.
    void noteClippedPluge();
    void showWindow(const DisplayInfo& display, Pattern pattern);

    AppState& state_;
    OutputWindowController& output_;
    QSettings* preferences_;
    Hooks hooks_;
    bool plugeNoted_ = false;
};

}  // namespace lumenor
