#pragma once

#include <QImage>
#include <QSet>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "displays/display_info.h"
#include "displays/refresh_link.h"
#include "patterns/display_link_animator.h"
#include "patterns/marker_lookahead.h"
#include "patterns/pattern.h"
#include "patterns/pattern_clock.h"
#include "patterns/video_levels.h"

namespace lumenor {

class FrameSurface;
class WaylandFrameFeedback;

// Shows one pattern over the whole of its native window, in device pixels one to one.
// Frames go to the screen whole at a refresh; animated patterns are drawn once per refresh
// of the view's display, still ones once per size.
class PatternView : public QWidget {
  public:
    explicit PatternView(RefreshLinkFactory& links, QWidget* parent = nullptr);
    ~PatternView() override;

    std::function<void(int step)> onCycle;
    std::function<void()> onClose;
    std::function<void()> onMouseMoved;
    std::function<void()> onBounce;
    std::function<void()> onCountSecond;
    // The same events announced ahead, with the time (seconds of the monotonic clock) at which
    // the frame that first shows them reaches the screen; `markerLead` says how far ahead, in
    // seconds. Only animated patterns on a display that reports its refreshes announce them.
    std::function<void(double showTime)> onBounceAhead;
    std::function<void(double showTime)> onCountSecondAhead;
    std::function<double()> markerLead;
    // Whether the frame drawn last knew the display's refreshes, and so its events were
    // announced ahead; where not, only onBounce and onCountSecond report them.
    bool announcesAhead() const { return announcesAhead_; }
    // An animated frame reached the screen: its animation time (seconds since the pattern
    // started) and the display's refresh time and counter (CLOCK_MONOTONIC microseconds).
    std::function<void(double t, std::uint64_t ust, std::uint64_t msc)> onFrameShown;
    // The display a screen shows; set by the owner.
    std::function<std::optional<DisplayId>(QScreen*)> displayForScreen;
    // Draws what lies over the pattern (banner, card), in logical pixels.
    std::function<void(QPainter&)> drawOverlays;
    // Draws the whole frame in place of the pattern when set, in device pixels.
    std::function<void(QImage&)> drawContent;

    void setPattern(Pattern pattern);
    Pattern pattern() const { return pattern_; }
    void setBouncePeriod(double seconds);
    double bouncePeriod() const { return bouncePeriod_; }
    void setTimecodeFps(int fps);
    int timecodeFps() const { return timecodeFps_; }
    void setAspectRatios(const QSet<QString>& labels);
    const QSet<QString>& aspectRatios() const { return aspectRatios_; }
    void setSlateText(const QString& text);
    const QString& slateText() const { return slateText_; }
    void setSlateImage(std::optional<QImage> image);
    const std::optional<QImage>& slateImage() const { return slateImage_; }
    void setVideoRange(VideoRange range);
    VideoRange videoRange() const { return videoRange_; }

    // Asks for a new frame soon; several requests before it is drawn make one frame.
    void requestRedraw();
    // Follows the window's screen: its scale and the display the animator ticks on.
    void updateScale();
    void updateAnimator();
    // One refresh of an animated pattern.
    void tick();

    bool isAnimating() const { return animator_.isRunning(); }
    std::uint64_t framesPresented() const;
    // Frames that have reached the screen so far.
    std::uint64_t framesShown();
    // The number of the frame handed to the screen last, and when that frame or a later one
    // reached it (microseconds of the monotonic clock): none until then, or where Qt paints
    // and the compositor does not say when its frames are shown.
    std::uint64_t lastFrameNumber() const;
    std::optional<std::uint64_t> shownAt(std::uint64_t frame);

    // Bits a channel the view's frames reach the screen with: 10 in a window of depth 30
    // where frames are presented, 8 otherwise.
    int bitsPerChannel() const;

    // True once the display has refused frames of ours and Qt paints them.
    bool isPainting() const { return painting_; }
    // Whether shownAt() will come to know: frames presented, or painted where the compositor
    // says when they are shown.
    bool knowsWhenShown() const { return !painting_ || paintedFeedback_ != nullptr; }

    QPaintEngine* paintEngine() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void drawFrame();
    QSize deviceSize() const;
    void composeFrame(QImage& frame, QSize device);
    bool openSurface();
    void startPainting();
    void noteRounding(int bits) const;
    void renderPattern(QImage& target, double t) const;
    void announceMarkers(const RefreshGrid& grid, double now);
    void watchFramesShown();
    void frameShown(std::uint64_t serial, std::uint64_t ust, std::uint64_t msc);
    static double now();

    Pattern pattern_ = Pattern::grid;
    int timecodeFps_ = 30;
    QSet<QString> aspectRatios_;
    QString slateText_;
    std::optional<QImage> slateImage_;
    double bouncePeriod_ = 1.0;
    VideoRange videoRange_ = VideoRange::full;
    DisplayLinkAnimator animator_;
    PatternClock clock_;
    MarkerLookahead lookahead_;
    RefreshGridTracker grid_;
    // The refresh the frame being drawn is for, set by the tick that draws it.
    std::optional<double> frameTime_;
    std::uint64_t targetMsc_ = 0;
    bool announcesAhead_ = false;
    // Animated frames on their way to the screen: serial and animation time.
    std::array<std::pair<std::uint32_t, double>, 8> inFlight_{};
    std::size_t nextInFlight_ = 0;
    double scale_ = 1.0;
    bool redrawPending_ = false;
    std::unique_ptr<FrameSurface> surface_;
    QImage stillFrame_;  // the last still pattern drawn, reused while nothing changes
    QWindow* watchedWindow_ = nullptr;
    bool painting_ = false;
    QImage paintedFrame_;     // the frame the next paint event shows, when Qt paints
    QSize surfaceFrameSize_;  // of the last frame given to the surface
    std::uint64_t framesPainted_ = 0;
    // Where Qt paints on Wayland: the animation time of the frame the next paint shows, and
    // the compositor's word on when painted frames reached the screen.
    std::optional<double> paintedTime_;
    std::unique_ptr<WaylandFrameFeedback> paintedFeedback_;
    std::optional<std::pair<std::uint64_t, std::uint64_t>> lastPaintedShown_;  // serial, ust
};

}  // namespace lumenor
