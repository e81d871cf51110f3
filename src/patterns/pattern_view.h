#pragma once

#include <QImage>
#include <QSet>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

#include "displays/display_info.h"
#include "displays/refresh_link.h"
#include "patterns/display_link_animator.h"
#include "patterns/pattern.h"
#include "patterns/pattern_clock.h"

namespace lumenor {

class PresentSurface;

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
    // reached it (microseconds of the monotonic clock): none until then, or where Qt paints.
    std::uint64_t lastFrameNumber() const;
    std::optional<std::uint64_t> shownAt(std::uint64_t frame);

    // True once the display has refused direct presentation and Qt paints the frames.
    bool isPainting() const { return painting_; }

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
    void startPainting();
    void renderPattern(QImage& target, double t) const;
    static double now();

    Pattern pattern_ = Pattern::grid;
    int timecodeFps_ = 30;
    QSet<QString> aspectRatios_;
    QString slateText_;
    std::optional<QImage> slateImage_;
    double bouncePeriod_ = 1.0;
    DisplayLinkAnimator animator_;
    PatternClock clock_;
    double scale_ = 1.0;
    bool redrawPending_ = false;
    std::unique_ptr<PresentSurface> surface_;
    QImage stillFrame_;  // the last still pattern drawn, reused while nothing changes
    QWindow* watchedWindow_ = nullptr;
    bool painting_ = false;
    QImage paintedFrame_;  // the frame the next paint event shows, when Qt paints
    std::uint64_t framesPainted_ = 0;
};

}  // namespace lumenor
