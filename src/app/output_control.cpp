#include "app/output_control.h"

#include <QImageReader>

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/display_choice.h"
#include "controller/page_calls.h"
#include "core/log.h"

namespace lumenor {

namespace {

constexpr const char* kSyncOffsetKey = "syncOffsetMs";

// Values from outside may exceed an int; they are held at its ends, never wrapped.
int clampToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

// The page's ranges, held here too: a bounce period far below a refresh would have the
// markers' look-ahead chase more bounces than frames, and a slate text of hundreds of
// thousands of characters takes the main thread most of a second to lay out on every redraw.
constexpr double kShortestBounce = 0.1;
constexpr double kLongestBounce = 60.0;
constexpr qsizetype kLongestSlateText = 120;

double heldSyncOffset(double ms) {
    constexpr double kLargest = OutputWindowController::kLargestSyncOffsetMs;
    return std::clamp(std::isfinite(ms) ? ms : 0.0, -kLargest, kLargest);
}

}  // namespace

OutputControl::OutputControl(AppState& state, OutputWindowController& output,
                             QSettings* preferences, Hooks hooks)
    : state_(state), output_(output), preferences_(preferences), hooks_(std::move(hooks)) {}

void OutputControl::showOn(const DisplayInfo& display, Pattern pattern) {
    if (hooks_.patchesHold(display.id)) {
        return;
    }
    showWindow(display, pattern);
    state_.outputVisible = true;
    hooks_.send(pagecalls::outputVisibilityChanged(true));
    hooks_.shownChanged(true);
}

// Over the controller's own screen the banner says how to take the output away again.
void OutputControl::showWindow(const DisplayInfo& display, Pattern pattern) {
    output_.show(display, pattern);
    if (display.id == state_.controllerDisplayID) {
        output_.showDisplayBanner(display, true);
    }
}

void OutputControl::hide() {
    output_.hide();
    // The card is off with the output: showing the output again must not bring it back.
    output_.setInfoVisible(false);
    state_.outputVisible = false;
    hooks_.send(pagecalls::outputVisibilityChanged(false));
    state_.infoVisible = false;
    hooks_.send(pagecalls::infoVisibilityChanged(false));
    hooks_.stopAutoCycle();
    hooks_.shownChanged(false);
}

void OutputControl::showOutput(bool on) {
    if (on) {
        if (const std::optional<DisplayInfo> d = outputDisplay(state_)) {
            showOn(*d, state_.activePattern);
            return;
        }
    }
    hide();
}

void OutputControl::selectOutputDisplay(DisplayId id) {
    state_.outputDisplayID = id;
    if (!state_.outputVisible) {
        return;
    }
    if (const std::optional<DisplayInfo> d = outputDisplay(state_)) {
        if (hooks_.patchesHold(d->id)) {
            hide();
        } else {
            showWindow(*d, state_.activePattern);
        }
    }
}

void OutputControl::showPattern(const QString& name) {
    const std::optional<Pattern> pattern = patternFromRawName(name);
    if (!pattern) {
        return;
    }
    hooks_.stopAutoCycle();
    state_.activePattern = *pattern;
    if (state_.outputVisible) {
        output_.setPattern(*pattern);
    }
    hooks_.send(pagecalls::patternChanged(rawName(*pattern)));
    noteClippedPluge();
}

void OutputControl::cycle(std::int64_t delta) {
    hooks_.stopAutoCycle();
    state_.activePattern = next(state_.activePattern, clampToInt(delta));
    if (state_.outputVisible) {
        output_.setPattern(state_.activePattern);
    }
    hooks_.send(pagecalls::patternChanged(rawName(state_.activePattern)));
    noteClippedPluge();
}

void OutputControl::put(Pattern pattern) {
    state_.activePattern = pattern;
    const std::optional<DisplayInfo> d =
        state_.outputVisible ? std::nullopt : outputDisplay(state_);
    if (d) {
        showOn(*d, pattern);
    } else {
        output_.setPattern(pattern);
    }
    hooks_.stopAutoCycle();
    hooks_.send(pagecalls::patternChanged(rawName(pattern)));
    noteClippedPluge();
}

void OutputControl::showInfo(bool on) {
    state_.infoVisible = on;
    if (on && !state_.outputVisible) {
        if (const std::optional<DisplayInfo> d = outputDisplay(state_)) {
            showOn(*d, state_.activePattern);
        }
    }
    if (const std::optional<DisplayInfo> d = outputDisplay(state_)) {
        output_.showDisplayInfo(*d);
    }
    output_.setInfoVisible(on);
    hooks_.send(pagecalls::infoVisibilityChanged(on));
}

void OutputControl::setMirror(bool on) {
    state_.mirrorAll = on;
    if (on && !state_.outputVisible) {
        if (const std::optional<DisplayInfo> d = outputDisplay(state_)) {
            showOn(*d, state_.activePattern);
        }
    }
    output_.setMirrorOn(on);
    output_.rebuildMirrors();
    hooks_.send(pagecalls::mirrorChanged(on));
}

void OutputControl::setBouncePeriod(double seconds) {
    if (!std::isfinite(seconds)) {
        return;
    }
    state_.bouncePeriod = std::clamp(seconds, kShortestBounce, kLongestBounce);
    // Setting the period restarts each view's bounce from now and redraws it.
    output_.setBouncePeriod(state_.bouncePeriod);
}

void OutputControl::setAspectRatios(const QStringList& labels) {
    state_.aspectRatios = QSet<QString>(labels.begin(), labels.end());
    output_.setAspectRatios(state_.aspectRatios);
}

void OutputControl::setTimecodeFps(std::int64_t fps) {
    state_.timecodeFps = clampToInt(fps);
    output_.setTimecodeFps(state_.timecodeFps);
}

void OutputControl::setSlateText(const QString& text) {
    state_.slateText = text.left(kLongestSlateText);
    output_.setSlateText(state_.slateText);
}

void OutputControl::setVideoRange(const QString& name) {
    const std::optional<VideoRange> range = rangeFromName(name);
    if (!range) {
        return;
    }
    state_.videoRange = *range;
    output_.setVideoRange(*range);
    hooks_.send(pagecalls::videoRangeChanged(rangeName(*range)));
    noteClippedPluge();
}

void OutputControl::noteClippedPluge() {
    if (plugeNoted_ || state_.videoRange != VideoRange::full ||
        state_.activePattern != Pattern::smpteHdBars) {
        return;
    }
    plugeNoted_ = true;
    qCInfo(logApp,
           "HD bars in full range: the PLUGE's -2 %% step is clipped to black; limited "
           "range shows it below black");
}

void OutputControl::useSlateImage(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        qCCritical(logApp, "slate logo could not be decoded");
        return;
    }
    output_.setSlateImage(image);
    put(Pattern::slate);
}

void OutputControl::clearSlateImage() {
    output_.setSlateImage(std::nullopt);
}

void OutputControl::setSyncOffset(double ms) {
    state_.syncOffsetMs = heldSyncOffset(ms);
    output_.setSyncOffsetMs(state_.syncOffsetMs);
    if (preferences_ != nullptr) {
        preferences_->setValue(QLatin1String(kSyncOffsetKey), state_.syncOffsetMs);
        preferences_->sync();
    }
    hooks_.send(pagecalls::syncOffsetChanged(state_.syncOffsetMs));
}

// Settings from before the offset existed have no value, which reads as none; a value that
// is not a number reads as none too rather than stopping the launch.
void OutputControl::restoreSyncOffset() {
    double ms = 0.0;
    if (preferences_ != nullptr) {
        bool ok = false;
        ms = preferences_->value(QLatin1String(kSyncOffsetKey), 0.0).toDouble(&ok);
        if (!ok) {
            ms = 0.0;
        }
    }
    state_.syncOffsetMs = heldSyncOffset(ms);
    output_.setSyncOffsetMs(state_.syncOffsetMs);
}

void OutputControl::applyState() {
    state_.slateText.truncate(kLongestSlateText);
    if (std::isfinite(state_.bouncePeriod)) {
        state_.bouncePeriod = std::clamp(state_.bouncePeriod, kShortestBounce, kLongestBounce);
    } else {
        state_.bouncePeriod = AppState{}.bouncePeriod;
    }
    output_.setAspectRatios(state_.aspectRatios);
    output_.setBouncePeriod(state_.bouncePeriod);
    output_.setSlateText(state_.slateText);
    output_.setVideoRange(state_.videoRange);
    hooks_.send(pagecalls::videoRangeChanged(rangeName(state_.videoRange)));
    hooks_.send(pagecalls::slateTextChanged(state_.slateText));
    if (state_.outputVisible) {
        if (const std::optional<DisplayInfo> d = outputDisplay(state_)) {
            output_.show(*d, state_.activePattern);
        }
    }
}

void OutputControl::displaysChanged(const std::vector<DisplayInfo>& displays) {
    if (output_.currentDisplayID() && !findDisplay(displays, *output_.currentDisplayID())) {
        hide();
    }
    if (!state_.outputVisible) {
        return;
    }
    if (const std::optional<DisplayInfo> d = outputDisplay(state_)) {
        output_.reposition(*d);
        output_.showDisplayBanner(*d);
        if (state_.infoVisible) {
            output_.showDisplayInfo(*d);
        }
        if (state_.mirrorAll) {
            output_.setMirrorOn(true);
            output_.rebuildMirrors();
        }
    }
}

void OutputControl::reposition() {
    if (!state_.outputVisible) {
        return;
    }
    if (const std::optional<DisplayInfo> d = outputDisplay(state_)) {
        output_.reposition(*d);
        if (state_.mirrorAll) {
            output_.setMirrorOn(true);
            output_.rebuildMirrors();
        }
    }
}

}  // namespace lumenor
