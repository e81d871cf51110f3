#include "output/output_window_controller.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cmath>

#include "core/log.h"
#include "output/output_texts.h"
#include "output/output_window.h"

namespace lumenor {

namespace {

// Room for a main thread held up by a busy machine.
constexpr double kMarkerMargin = 0.15;
constexpr double kUntimedMarkerLead = 0.02;
constexpr int kMeterPollMs = 5;
// Where no frame is reported shown (a lost connection), the meter starts anyway.
constexpr int kLongestMeterWaitMs = 1000;

// The application's key-down monitor while the output has the keyboard: Escape and the
// arrow keys go to the output view's callbacks and no further.
class KeyMonitor : public QObject {
  public:
    KeyMonitor(const OutputWindow* window, PatternView& view) : window_(window), view_(view) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || QApplication::activeWindow() == nullptr ||
            QApplication::activeWindow() != static_cast<const QWidget*>(window_)) {
            return QObject::eventFilter(watched, event);
        }
        switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_Escape:
                if (view_.onClose) {
                    view_.onClose();
                }
                return true;
            case Qt::Key_Right:
            case Qt::Key_Down:
                if (view_.onCycle) {
                    view_.onCycle(1);
                }
                return true;
            case Qt::Key_Left:
            case Qt::Key_Up:
                if (view_.onCycle) {
                    view_.onCycle(-1);
                }
                return true;
            default:
                return QObject::eventFilter(watched, event);
        }
    }

  private:
    const OutputWindow* window_;
    PatternView& view_;
};

}  // namespace

struct OutputWindowController::Mirror {
    QScreen* screen = nullptr;
    std::unique_ptr<OutputWindow> window;
    std::unique_ptr<PatternView> view;
};

OutputWindowController::OutputWindowController(RefreshLinkFactory& links,
                                               std::unique_ptr<AudioStream> clickStream)
    : links_(links),
      patternView_(std::make_unique<PatternView>(links)),
      click_(std::move(clickStream)),
      frameMeter_(links) {
    patternView_->onMouseMoved = [this] { hud_.show(kBannerSeconds); };
    // Each marker is scheduled for the refresh that shows its event; where the refreshes are
    // not known, it plays as its frame is drawn.
    patternView_->onBounce = [this] {
        if (!patternView_->announcesAhead()) {
            click_.play(click_.clickBuffer());
        }
    };
    patternView_->onCountSecond = [this] {
        if (!patternView_->announcesAhead()) {
            click_.play(click_.beepBuffer());
        }
    };
    patternView_->onBounceAhead = [this](double showTime) {
        click_.playAt(click_.clickBuffer(), std::llround(showTime * 1e9));
    };
    patternView_->onCountSecondAhead = [this](double showTime) {
        click_.playAt(click_.beepBuffer(), std::llround(showTime * 1e9));
    };
    patternView_->markerLead = [this] { return markerLeadSeconds(); };
    patternView_->displayForScreen = [this](QScreen* s) {
        return displayIdForScreen ? displayIdForScreen(s) : std::nullopt;
    };
    patternView_->drawOverlays = [this](QPainter& p) { drawOverlays(p); };
    hud_.onChanged = [this] { patternView_->requestRedraw(); };
    infoCard_.onChanged = [this] {
        layOutOverlays();
        patternView_->requestRedraw();
    };
    QObject::connect(&meterStart_, &QTimer::timeout, [this] { pollMeterStart(); });
    frameMeter_.onUpdate = [this](double hz, int dropped, bool steady) {
        infoCard_.showFrameStatus(dropped, steady);
        if (onFrameUpdate) {
            onFrameUpdate(hz, dropped, steady);
        }
    };
    frameMeter_.onTimingUnavailable = [this] {
        infoCard_.showFrameTimingUnavailable();
        if (onFrameTimingUnavailable) {
            onFrameTimingUnavailable();
        }
    };
}

OutputWindowController::~OutputWindowController() {
    hide();
}

void OutputWindowController::show(const DisplayInfo& display, Pattern pattern) {
    QScreen* screen = screenForDisplay ? screenForDisplay(display.id) : nullptr;
    if (screen == nullptr) {
        return;
    }
    click_.cancelScheduled();
    patternView_->setPattern(pattern);
    if (!window_) {
        window_ = std::make_unique<OutputWindow>(OutputWindow::Role::output);
        window_->onResized = [this] { layOutOverlays(); };
        // Closed by the window manager, the output goes as with Escape, and its owner knows.
        window_->onCloseRequested = [this] {
            if (patternView_->onClose) {
                patternView_->onClose();
            }
        };
    }
    window_->attach(patternView_.get());
    window_->cover(screen);
    layOutOverlays();
    showDisplayBanner(display);
    window_->raise();
    window_->activateWindow();
    patternView_->setFocus();
    currentDisplayID_ = display.id;
    startMeterOnceShown(display.id);
    installKeyMonitor();
    rebuildMirrors();
}

void OutputWindowController::hide() {
    if (keyMonitor_) {
        qApp->removeEventFilter(keyMonitor_.get());
        keyMonitor_.reset();
    }
    meterStart_.stop();
    frameMeter_.stop();
    click_.cancelScheduled();
    mirrors_.clear();
    if (window_) {
        window_->detach();
        window_.reset();
    }
    currentDisplayID_.reset();
}

void OutputWindowController::reposition(const DisplayInfo& display) {
    QScreen* screen = screenForDisplay ? screenForDisplay(display.id) : nullptr;
    if (!window_ || screen == nullptr) {
        return;
    }
    window_->cover(screen);
    layOutOverlays();
}

void OutputWindowController::setPattern(Pattern pattern) {
    click_.cancelScheduled();
    patternView_->setPattern(pattern);
    for (const auto& m : mirrors_) {
        m->view->setPattern(pattern);
    }
}

void OutputWindowController::setAspectRatios(const QSet<QString>& labels) {
    patternView_->setAspectRatios(labels);
    for (const auto& m : mirrors_) {
        m->view->setAspectRatios(labels);
    }
}

void OutputWindowController::setSlateText(const QString& text) {
    patternView_->setSlateText(text);
    for (const auto& m : mirrors_) {
        m->view->setSlateText(text);
    }
}

void OutputWindowController::setSlateImage(const std::optional<QImage>& image) {
    patternView_->setSlateImage(image);
    for (const auto& m : mirrors_) {
        m->view->setSlateImage(image);
    }
}

void OutputWindowController::setVideoRange(VideoRange range) {
    patternView_->setVideoRange(range);
    for (const auto& m : mirrors_) {
        m->view->setVideoRange(range);
    }
}

void OutputWindowController::setBouncePeriod(double seconds) {
    if (patternView_->pattern() == Pattern::bounce) {
        click_.cancelScheduled();
    }
    patternView_->setBouncePeriod(seconds);
    for (const auto& m : mirrors_) {
        m->view->setBouncePeriod(seconds);
    }
}

void OutputWindowController::setTimecodeFps(int fps) {
    patternView_->setTimecodeFps(fps);
    for (const auto& m : mirrors_) {
        m->view->setTimecodeFps(fps);
    }
}

void OutputWindowController::setSyncOffsetMs(double ms) {
    click_.setSyncOffsetMs(ms);
}

// A marker must reach the click player before the audio callback that covers its time is
// rendered, a latency before the sound: it is announced that long ahead, with room to spare,
// and earlier still for a negative offset. Without timing from the output it plays as its
// frame is drawn.
double OutputWindowController::markerLeadSeconds() const {
    const std::optional<std::int64_t> latency = click_.latencyNs();
    if (!latency) {
        return kUntimedMarkerLead;
    }
    return static_cast<double>(*latency) / 1e9 + kMarkerMargin +
           std::max(-click_.syncOffsetMs() / 1000.0, 0.0);
}

void OutputWindowController::setMirrorOn(bool on) {
    mirrorOn_ = on;
}

void OutputWindowController::rebuildMirrors() {
    if (!mirrorOn_ || !window_) {
        mirrors_.clear();
        return;
    }
    // A mirror whose screen stays keeps its window and follows the screen's new mode: a new
    // window takes the compositor far longer to show than a refresh or two.
    std::vector<std::unique_ptr<Mirror>> kept;
    for (QScreen* screen : QGuiApplication::screens()) {
        const std::optional<DisplayId> id =
            displayIdForScreen ? displayIdForScreen(screen) : std::nullopt;
        if (currentDisplayID_ && id == currentDisplayID_) {
            continue;
        }
        const auto same = std::find_if(mirrors_.begin(), mirrors_.end(),
                                       [screen](const auto& m) { return m->screen == screen; });
        if (same != mirrors_.end()) {
            (*same)->window->cover(screen);
            kept.push_back(std::move(*same));
            continue;
        }
        auto mirror = std::make_unique<Mirror>();
        mirror->screen = screen;
        mirror->view = std::make_unique<PatternView>(links_);
        PatternView& v = *mirror->view;
        v.displayForScreen = patternView_->displayForScreen;
        v.setPattern(patternView_->pattern());
        v.setAspectRatios(patternView_->aspectRatios());
        v.setBouncePeriod(patternView_->bouncePeriod());
        v.setTimecodeFps(patternView_->timecodeFps());
        v.setSlateText(patternView_->slateText());
        v.setSlateImage(patternView_->slateImage());
        v.setVideoRange(patternView_->videoRange());
        mirror->window = std::make_unique<OutputWindow>(OutputWindow::Role::mirror);
        mirror->window->attach(&v);
        mirror->window->cover(screen);
        kept.push_back(std::move(mirror));
    }
    mirrors_ = std::move(kept);
    window_->raise();
    window_->activateWindow();
}

bool OutputWindowController::hasKeyboard() const {
    return window_ && window_->isActiveWindow();
}

std::vector<PatternView*> OutputWindowController::mirrorViews() const {
    std::vector<PatternView*> views;
    for (const auto& m : mirrors_) {
        views.push_back(m->view.get());
    }
    return views;
}

void OutputWindowController::startMeterOnceShown(DisplayId display) {
    frameMeter_.stop();
    meterDisplay_ = display;
    meterWaitedMs_ = 0;
    framesShownBefore_ = patternView_->framesShown();
    meterStart_.start(kMeterPollMs);
}

void OutputWindowController::pollMeterStart() {
    meterWaitedMs_ += kMeterPollMs;
    if (patternView_->framesShown() <= framesShownBefore_ && meterWaitedMs_ < kLongestMeterWaitMs) {
        return;
    }
    meterStart_.stop();
    frameMeter_.start(meterDisplay_);
}

void OutputWindowController::installKeyMonitor() {
    if (keyMonitor_) {
        return;
    }
    keyMonitor_ = std::make_unique<KeyMonitor>(window_.get(), *patternView_);
    qApp->installEventFilter(keyMonitor_.get());
}

}  // namespace lumenor
