#include "displays/wayland_refresh_link.h"

#include <QGuiApplication>
#include <QObject>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "core/log.h"
#include "displays/timer_refresh_link.h"
#include "displays/wayland_presentation_link.h"

namespace lumenor {

namespace {

constexpr int kSurfaceRetryMs = 20;

// Paces animation where the compositor cannot say when it shows a frame; drops counted from
// it would be made up.
class UntimedLink : public RefreshLink {
  public:
    explicit UntimedLink(std::unique_ptr<RefreshLink> timer) : timer_(std::move(timer)) {}
    bool followsDisplayClock() const override { return false; }

  private:
    std::unique_ptr<RefreshLink> timer_;
};

// Asked for before its window is first shown (a view starts its animation as it is shown,
// before Qt gives the window a surface): paced at the nominal rate until the surface is there,
// then timed by the compositor. The two never call back at once: the timer's thread has ended
// before the compositor's link starts.
class DeferredLink : public RefreshLink {
  public:
    DeferredLink(QWindow* window, double nominalHz, RefreshCallback onRefresh,
                 std::function<void(QWindow*)> repaint)
        : window_(window),
          nominalHz_(nominalHz),
          onRefresh_(std::move(onRefresh)),
          repaint_(std::move(repaint)),
          link_(TimerRefreshLink::start(nominalHz, onRefresh_)) {
        QObject::connect(&retry_, &QTimer::timeout, [this] { attach(); });
        retry_.start(kSurfaceRetryMs);
    }

  private:
    void attach() {
        if (window_ == nullptr) {
            retry_.stop();
            return;
        }
        if (!windowHasSurface(window_)) {
            return;
        }
        retry_.stop();
        link_.reset();
        PresentationLinkOutcome outcome = PresentationLinkOutcome::unsupported;
        link_ = openPresentationLink(window_, nominalHz_, onRefresh_, &outcome);
        if (link_ && repaint_) {
            repaint_(window_);
        } else if (!link_) {
            link_ = TimerRefreshLink::start(nominalHz_, onRefresh_);
        }
    }

    QPointer<QWindow> window_;
    double nominalHz_;
    RefreshCallback onRefresh_;
    std::function<void(QWindow*)> repaint_;
    std::unique_ptr<RefreshLink> link_;
    QTimer retry_;
};

}  // namespace

WaylandRefreshLinkFactory::WaylandRefreshLinkFactory(
    std::function<QWindow*(std::optional<DisplayId>)> windowOn,
    std::function<void(QWindow*)> repaint)
    : windowOn_(std::move(windowOn)), repaint_(std::move(repaint)) {}

std::unique_ptr<RefreshLink> WaylandRefreshLinkFactory::create(std::optional<DisplayId> display,
                                                               RefreshCallback onRefresh) {
    QWindow* window = windowOn_ ? windowOn_(display) : nullptr;
    const QScreen* screen = window != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    const double nominalHz = screen != nullptr ? screen->refreshRate() : 60.0;
    PresentationLinkOutcome outcome = PresentationLinkOutcome::unsupported;
    if (window != nullptr) {
        std::unique_ptr<RefreshLink> link =
            openPresentationLink(window, nominalHz, onRefresh, &outcome);
        if (link) {
            // The new sub-surface shows from the window's next commit on.
            if (repaint_) {
                repaint_(window);
            }
            return link;
        }
        if (outcome == PresentationLinkOutcome::noSurfaceYet) {
            return std::make_unique<DeferredLink>(window, nominalHz, std::move(onRefresh),
                                                  repaint_);
        }
    }
    static bool told = false;
    if (!told) {
        told = true;
        qCInfo(logDisplay, "%s: refreshes are paced at the nominal %.2f Hz, not timed",
               window == nullptr ? "no window shown on the display"
                                 : "the compositor offers no presentation times",
               nominalHz);
    }
    std::unique_ptr<RefreshLink> timer = TimerRefreshLink::start(nominalHz, std::move(onRefresh));
    return timer ? std::make_unique<UntimedLink>(std::move(timer)) : nullptr;
}

}  // namespace lumenor
