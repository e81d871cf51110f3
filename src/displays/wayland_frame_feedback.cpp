#include "displays/wayland_frame_feedback.h"

#include <QWindow>

#include <algorithm>
#include <cmath>

#include <wayland-client.h>

#include "displays/wayland_queue.h"
#include "presentation-time-client-protocol.h"

namespace lumenor {

std::unique_ptr<WaylandFrameFeedback> WaylandFrameFeedback::open(
    std::function<void(const Shown&)> onShown) {
    std::unique_ptr<WaylandQueue> queue = WaylandQueue::open();
    if (!queue) {
        return nullptr;
    }
    std::unique_ptr<WaylandFrameFeedback> f(
        new WaylandFrameFeedback(std::move(queue), std::move(onShown)));
    // The feedback comes as events: there is nothing to do between them.
    if (!f->queue_->start(60'000, [] {})) {
        return nullptr;
    }
    return f;
}

WaylandFrameFeedback::WaylandFrameFeedback(std::unique_ptr<WaylandQueue> queue,
                                           std::function<void(const Shown&)> onShown)
    : onShown_(std::move(onShown)), queue_(std::move(queue)) {}

WaylandFrameFeedback::~WaylandFrameFeedback() {
    queue_->stop();
    for (const auto& p : pending_) {
        wp_presentation_feedback_destroy(p->feedback);
    }
}

void WaylandFrameFeedback::expect(QWindow* window, std::uint64_t serial) {
    // Looked up each time: Qt makes the window a new surface when it shows it again.
    wl_surface* surface = window != nullptr ? waylandSurface(window) : nullptr;
    if (surface != nullptr) {
        expect(surface, serial);
    }
}

void WaylandFrameFeedback::expect(wl_surface* surface, std::uint64_t serial) {
    static constexpr wp_presentation_feedback_listener listener = {onSyncOutput, onPresented,
                                                                   onDiscarded};
    // Each is answered, presented or discarded (as when the surface goes), and then forgotten.
    std::lock_guard lock(mutex_);
    auto pending = std::make_unique<Pending>(
        Pending{this, wp_presentation_feedback(queue_->presentation(), surface), serial});
    wp_presentation_feedback_add_listener(pending->feedback, &listener, pending.get());
    pending_.push_back(std::move(pending));
}

void WaylandFrameFeedback::onPresented(void* data, struct wp_presentation_feedback*,
                                       std::uint32_t secHi, std::uint32_t secLo, std::uint32_t nsec,
                                       std::uint32_t refreshNs, std::uint32_t, std::uint32_t,
                                       std::uint32_t) {
    auto* p = static_cast<Pending*>(data);
    Shown shown;
    shown.serial = p->serial;
    shown.ust = ((static_cast<std::uint64_t>(secHi) << 32) | secLo) * 1'000'000 + nsec / 1000;
    WaylandFrameFeedback* f = p->owner;
    if (f->firstUst_ == 0) {
        f->firstUst_ = shown.ust;
    }
    if (refreshNs > 0) {
        shown.msc = static_cast<std::uint64_t>(
            std::llround((shown.ust - f->firstUst_) * 1000.0 / refreshNs));
    }
    f->finish(p, &shown);
}

void WaylandFrameFeedback::onDiscarded(void* data, struct wp_presentation_feedback*) {
    auto* p = static_cast<Pending*>(data);
    p->owner->finish(p, nullptr);
}

// On the queue's thread.
void WaylandFrameFeedback::finish(Pending* pending, const Shown* shown) {
    {
        std::lock_guard lock(mutex_);
        const auto it = std::find_if(pending_.begin(), pending_.end(),
                                     [pending](const auto& p) { return p.get() == pending; });
        if (it != pending_.end()) {
            wp_presentation_feedback_destroy((*it)->feedback);
            pending_.erase(it);
        }
    }
    if (shown != nullptr) {
        QMetaObject::invokeMethod(
            &mainThread_, [this, s = *shown] { onShown_(s); }, Qt::QueuedConnection);
    }
}

}  // namespace lumenor
