#include "displays/wayland_presentation_link.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include <wayland-client.h>

#include "displays/wayland_queue.h"
#include "presentation-time-client-protocol.h"

namespace lumenor {

namespace {

// A heartbeat whose feedback has not come back by then is committed again: the compositor
// does not paint a sub-surface before its parent's next commit, nor any surface while hidden.
constexpr int kRecommitMs = 250;

class WaylandLink : public RefreshLink {
  public:
    static std::unique_ptr<WaylandLink> open(QWindow* window, double nominalHz,
                                             RefreshCallback onRefresh,
                                             PresentationLinkOutcome* outcome) {
        *outcome = PresentationLinkOutcome::unsupported;
        std::unique_ptr<WaylandQueue> queue = WaylandQueue::open();
        if (!queue) {
            return nullptr;
        }
        // Qt makes a window's surface as it first shows it.
        wl_surface* parent = waylandSurface(window);
        if (parent == nullptr) {
            *outcome = PresentationLinkOutcome::noSurfaceYet;
            return nullptr;
        }
        std::unique_ptr<WaylandLink> link(
            new WaylandLink(std::move(queue), nominalHz, std::move(onRefresh)));
        if (!link->setUp(parent)) {
            return nullptr;
        }
        *outcome = PresentationLinkOutcome::made;
        link->lastEvent_ = std::chrono::steady_clock::now();
        link->queue_->start(kRecommitMs, [l = link.get()] { l->recommitIfQuiet(); });
        return link;
    }

    ~WaylandLink() override {
        queue_->stop();
        if (feedback_ != nullptr) {
            wp_presentation_feedback_destroy(feedback_);
        }
        if (subsurface_ != nullptr) {
            wl_subsurface_destroy(subsurface_);
        }
        if (surface_ != nullptr) {
            wl_surface_destroy(surface_);
        }
        if (buffer_ != nullptr) {
            wl_buffer_destroy(buffer_);
        }
    }

  private:
    WaylandLink(std::unique_ptr<WaylandQueue> queue, double nominalHz, RefreshCallback onRefresh)
        : queue_(std::move(queue)),
          nominalPeriod_(nominalHz > 0.0 ? std::llround(1'000'000.0 / nominalHz) : 0),
          onRefresh_(std::move(onRefresh)) {}

    bool setUp(wl_surface* parent) {
        // Fully transparent: blended over the window, it leaves every pixel as it was.
        buffer_ = makeShmBuffer(queue_->shm(), 1, 1);
        if (buffer_ == nullptr) {
            return false;
        }
        surface_ = wl_compositor_create_surface(queue_->compositor());
        wl_region* nowhere = wl_compositor_create_region(queue_->compositor());
        wl_surface_set_input_region(surface_, nowhere);
        wl_region_destroy(nowhere);
        subsurface_ = wl_subcompositor_get_subsurface(queue_->subcompositor(), surface_, parent);
        wl_subsurface_set_desync(subsurface_);
        wl_surface_attach(surface_, buffer_, 0, 0);
        beat();
        return true;
    }

    // Commits the pixel again, asking when that commit reaches the screen.
    void beat() {
        if (feedback_ != nullptr) {
            wp_presentation_feedback_destroy(feedback_);
        }
        feedback_ = wp_presentation_feedback(queue_->presentation(), surface_);
        wp_presentation_feedback_add_listener(feedback_, &kFeedbackListener, this);
        wl_surface_damage(surface_, 0, 0, 1, 1);
        wl_surface_commit(surface_);
    }

    static void onSyncOutput(void*, struct wp_presentation_feedback*, wl_output*) {}

    static void onPresented(void* data, struct wp_presentation_feedback*, std::uint32_t secHi,
                            std::uint32_t secLo, std::uint32_t nsec, std::uint32_t refreshNs,
                            std::uint32_t, std::uint32_t, std::uint32_t) {
        auto* l = static_cast<WaylandLink*>(data);
        const std::uint64_t sec = (static_cast<std::uint64_t>(secHi) << 32) | secLo;
        const auto micros = static_cast<std::int64_t>(sec * 1'000'000 + nsec / 1000);
        // A compositor that leaves the period out (zero) is taken at the screen's nominal rate.
        const std::int64_t period =
            refreshNs > 0 ? std::llround(refreshNs / 1000.0) : l->nominalPeriod_;
        // Counted from the times, as the compositor's own counter (seq) may stand still where
        // it has no hardware counter to give.
        if (l->lastMicros_ != 0 && period > 0) {
            l->counter_ += static_cast<std::uint64_t>(std::max<std::int64_t>(
                1, std::llround(static_cast<double>(micros - l->lastMicros_) / period)));
        }
        l->lastMicros_ = micros;
        l->lastEvent_ = std::chrono::steady_clock::now();
        l->onRefresh_({micros, 1'000'000, period, l->counter_});
        l->beat();
    }

    static void onDiscarded(void* data, struct wp_presentation_feedback*) {
        auto* l = static_cast<WaylandLink*>(data);
        l->lastEvent_ = std::chrono::steady_clock::now();
        l->beat();
    }

    static constexpr struct wp_presentation_feedback_listener kFeedbackListener = {
        onSyncOutput, onPresented, onDiscarded};

    void recommitIfQuiet() {
        if (std::chrono::steady_clock::now() - lastEvent_ >
            std::chrono::milliseconds(kRecommitMs)) {
            lastEvent_ = std::chrono::steady_clock::now();
            beat();
        }
    }

    std::unique_ptr<WaylandQueue> queue_;
    const std::int64_t nominalPeriod_;
    RefreshCallback onRefresh_;
    wl_buffer* buffer_ = nullptr;
    wl_surface* surface_ = nullptr;
    wl_subsurface* subsurface_ = nullptr;
    struct wp_presentation_feedback* feedback_ = nullptr;
    std::chrono::steady_clock::time_point lastEvent_;
    std::int64_t lastMicros_ = 0;
    std::uint64_t counter_ = 0;
};

}  // namespace

bool windowHasSurface(QWindow* window) {
    return waylandSurface(window) != nullptr;
}

std::unique_ptr<RefreshLink> openPresentationLink(QWindow* window, double nominalHz,
                                                  RefreshCallback onRefresh,
                                                  PresentationLinkOutcome* outcome) {
    return WaylandLink::open(window, nominalHz, std::move(onRefresh), outcome);
}

}  // namespace lumenor
