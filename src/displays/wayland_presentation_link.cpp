#include "displays/wayland_presentation_link.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <mutex>
#include <vector>

#include <wayland-client.h>

#include "displays/wayland_queue.h"
#include "presentation-time-client-protocol.h"

namespace lumenor {

namespace {

// A heartbeat whose feedback has not come back by then is committed again: the compositor
// does not paint a sub-surface before its parent's next commit, nor any surface while hidden.
constexpr int kRecommitMs = 250;

// One 1 × 1 sub-surface on a window, committed again as each commit reaches the screen, so the
// compositor's word on each one times its refreshes. Every link on the window shares it: one
// commit and one wake-up a refresh, however many views and meters listen.
class Heartbeat {
  public:
    static std::shared_ptr<Heartbeat> open(std::unique_ptr<WaylandQueue> queue, wl_surface* parent,
                                           double nominalHz) {
        std::shared_ptr<Heartbeat> beat(new Heartbeat(std::move(queue), parent, nominalHz));
        if (!beat->setUp()) {
            return nullptr;
        }
        beat->lastEvent_ = std::chrono::steady_clock::now();
        beat->queue_->start(kRecommitMs, [b = beat.get()] { b->recommitIfQuiet(); });
        return beat;
    }

    ~Heartbeat() {
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

    wl_surface* parent() const { return parent_; }

    // Listeners come and go on the main thread while the queue's thread calls them: once
    // `remove` returns, that listener is not called again.
    void add(const void* key, RefreshCallback onRefresh) {
        const std::lock_guard lock(mutex_);
        listeners_.emplace_back(key, std::move(onRefresh));
    }
    void remove(const void* key) {
        const std::lock_guard lock(mutex_);
        std::erase_if(listeners_, [key](const auto& l) { return l.first == key; });
    }

  private:
    Heartbeat(std::unique_ptr<WaylandQueue> queue, wl_surface* parent, double nominalHz)
        : queue_(std::move(queue)),
          parent_(parent),
          nominalPeriod_(nominalHz > 0.0 ? std::llround(1'000'000.0 / nominalHz) : 0) {}

    bool setUp() {
        // Fully transparent: blended over the window, it leaves every pixel as it was.
        buffer_ = makeShmBuffer(queue_->shm(), 1, 1);
        if (buffer_ == nullptr) {
            return false;
        }
        surface_ = wl_compositor_create_surface(queue_->compositor());
        wl_region* nowhere = wl_compositor_create_region(queue_->compositor());
        wl_surface_set_input_region(surface_, nowhere);
        wl_region_destroy(nowhere);
        subsurface_ = wl_subcompositor_get_subsurface(queue_->subcompositor(), surface_, parent_);
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
        auto* b = static_cast<Heartbeat*>(data);
        const std::uint64_t sec = (static_cast<std::uint64_t>(secHi) << 32) | secLo;
        const auto micros = static_cast<std::int64_t>(sec * 1'000'000 + nsec / 1000);
        // A compositor that leaves the period out (zero) is taken at the screen's nominal rate.
        const std::int64_t period =
            refreshNs > 0 ? std::llround(refreshNs / 1000.0) : b->nominalPeriod_;
        // Counted from the times, as the compositor's own counter (seq) may stand still where
        // it has no hardware counter to give.
        if (b->lastMicros_ != 0 && period > 0) {
            b->counter_ += static_cast<std::uint64_t>(std::max<std::int64_t>(
                1, std::llround(static_cast<double>(micros - b->lastMicros_) / period)));
        }
        b->lastMicros_ = micros;
        b->lastEvent_ = std::chrono::steady_clock::now();
        {
            const RefreshStamp stamp{micros, 1'000'000, period, b->counter_};
            const std::lock_guard lock(b->mutex_);
            for (const auto& l : b->listeners_) {
                l.second(stamp);
            }
        }
        b->beat();
    }

    static void onDiscarded(void* data, struct wp_presentation_feedback*) {
        auto* b = static_cast<Heartbeat*>(data);
        b->lastEvent_ = std::chrono::steady_clock::now();
        b->beat();
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
    wl_surface* const parent_;
    const std::int64_t nominalPeriod_;
    std::mutex mutex_;
    std::vector<std::pair<const void*, RefreshCallback>> listeners_;
    wl_buffer* buffer_ = nullptr;
    wl_surface* surface_ = nullptr;
    wl_subsurface* subsurface_ = nullptr;
    struct wp_presentation_feedback* feedback_ = nullptr;
    std::chrono::steady_clock::time_point lastEvent_;
    std::int64_t lastMicros_ = 0;
    std::uint64_t counter_ = 0;
};

class WaylandLink : public RefreshLink {
  public:
    WaylandLink(std::shared_ptr<Heartbeat> heartbeat, RefreshCallback onRefresh)
        : heartbeat_(std::move(heartbeat)) {
        heartbeat_->add(this, std::move(onRefresh));
    }
    ~WaylandLink() override { heartbeat_->remove(this); }

  private:
    std::shared_ptr<Heartbeat> heartbeat_;
};

// The heartbeat on each window's current surface while some link holds it (main thread only).
// A window shown again has a new surface, and gets a new heartbeat.
std::map<QWindow*, std::weak_ptr<Heartbeat>>& heartbeats() {
    static std::map<QWindow*, std::weak_ptr<Heartbeat>> beats;
    std::erase_if(beats, [](const auto& entry) { return entry.second.expired(); });
    return beats;
}

}  // namespace

bool windowHasSurface(QWindow* window) {
    return waylandSurface(window) != nullptr;
}

std::unique_ptr<RefreshLink> openPresentationLink(QWindow* window, double nominalHz,
                                                  RefreshCallback onRefresh,
                                                  PresentationLinkOutcome* outcome) {
    *outcome = PresentationLinkOutcome::unsupported;
    // Qt makes a window's surface as it first shows it.
    wl_surface* parent = waylandSurface(window);
    std::map<QWindow*, std::weak_ptr<Heartbeat>>& beats = heartbeats();
    std::shared_ptr<Heartbeat> heartbeat;
    if (const auto found = beats.find(window); found != beats.end()) {
        heartbeat = found->second.lock();
        if (heartbeat->parent() != parent) {
            heartbeat.reset();
        }
    }
    if (!heartbeat) {
        std::unique_ptr<WaylandQueue> queue = WaylandQueue::open();
        if (!queue) {
            return nullptr;
        }
        if (parent == nullptr) {
            *outcome = PresentationLinkOutcome::noSurfaceYet;
            return nullptr;
        }
        heartbeat = Heartbeat::open(std::move(queue), parent, nominalHz);
        if (!heartbeat) {
            return nullptr;
        }
        beats[window] = heartbeat;
    }
    *outcome = PresentationLinkOutcome::made;
    return std::make_unique<WaylandLink>(std::move(heartbeat), std::move(onRefresh));
}

}  // namespace lumenor
