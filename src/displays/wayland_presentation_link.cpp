#include "displays/wayland_presentation_link.h"

#include <qpa/qplatformnativeinterface.h>
#include <QGuiApplication>
#include <QWindow>

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <thread>

#include <wayland-client.h>

#include "presentation-time-client-protocol.h"

namespace lumenor {

namespace {

// A heartbeat whose feedback has not come back by then is committed again: the compositor
// does not paint a sub-surface before its parent's next commit, nor any surface while hidden.
constexpr int kRecommitMs = 250;

struct Globals {
    wl_compositor* compositor = nullptr;
    wl_subcompositor* subcompositor = nullptr;
    wl_shm* shm = nullptr;
    wp_presentation* presentation = nullptr;
    std::uint32_t clockId = 0;
    bool clockKnown = false;
};

void onGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version) {
    auto* g = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
        g->compositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, std::min(version, 4u)));
    } else if (std::strcmp(interface, wl_subcompositor_interface.name) == 0) {
        g->subcompositor = static_cast<wl_subcompositor*>(
            wl_registry_bind(registry, name, &wl_subcompositor_interface, 1));
    } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
        g->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (std::strcmp(interface, wp_presentation_interface.name) == 0) {
        g->presentation = static_cast<wp_presentation*>(
            wl_registry_bind(registry, name, &wp_presentation_interface, 1));
    }
}

void onGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener kRegistryListener = {onGlobal, onGlobalRemove};

void onClockId(void* data, wp_presentation*, std::uint32_t clockId) {
    auto* g = static_cast<Globals*>(data);
    g->clockId = clockId;
    g->clockKnown = true;
}

const wp_presentation_listener kPresentationListener = {onClockId};

// A fully transparent pixel: blended over the window it leaves every pixel as it was.
wl_buffer* transparentPixel(wl_shm* shm) {
    const int fd = ::memfd_create("lumenor-heartbeat", MFD_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    wl_buffer* buffer = nullptr;
    if (::ftruncate(fd, 4) == 0) {
        wl_shm_pool* pool = wl_shm_create_pool(shm, fd, 4);
        buffer = wl_shm_pool_create_buffer(pool, 0, 1, 1, 4, WL_SHM_FORMAT_ARGB8888);
        wl_shm_pool_destroy(pool);
    }
    ::close(fd);
    return buffer;
}

class WaylandLink : public RefreshLink {
  public:
    static std::unique_ptr<WaylandLink> open(QWindow* window, double nominalHz,
                                             RefreshCallback onRefresh,
                                             PresentationLinkOutcome* outcome) {
        *outcome = PresentationLinkOutcome::unsupported;
        QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
        auto* display =
            static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display"));
        if (display == nullptr) {
            return nullptr;
        }
        // Qt makes a window's surface as it first shows it.
        auto* parent = static_cast<wl_surface*>(native->nativeResourceForWindow("surface", window));
        if (parent == nullptr) {
            *outcome = PresentationLinkOutcome::noSurfaceYet;
            return nullptr;
        }
        std::unique_ptr<WaylandLink> link(
            new WaylandLink(display, nominalHz, std::move(onRefresh)));
        if (!link->setUp(parent)) {
            return nullptr;
        }
        *outcome = PresentationLinkOutcome::made;
        link->thread_ = std::thread([l = link.get()] { l->run(); });
        return link;
    }

    ~WaylandLink() override {
        if (thread_.joinable()) {
            const char byte = 0;
            (void)::write(stopPipe_[1], &byte, 1);
            thread_.join();
        }
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
        if (g_.presentation != nullptr) {
            wp_presentation_destroy(g_.presentation);
        }
        if (g_.shm != nullptr) {
            wl_shm_destroy(g_.shm);
        }
        if (g_.subcompositor != nullptr) {
            wl_subcompositor_destroy(g_.subcompositor);
        }
        if (g_.compositor != nullptr) {
            wl_compositor_destroy(g_.compositor);
        }
        if (registry_ != nullptr) {
            wl_registry_destroy(registry_);
        }
        wl_display_flush(display_);
        wl_event_queue_destroy(queue_);
        ::close(stopPipe_[0]);
        ::close(stopPipe_[1]);
    }

    // False where the compositor has no presentation clock we can compare with our own.
    bool usable() const {
        return g_.presentation != nullptr && g_.clockKnown && g_.clockId == CLOCK_MONOTONIC;
    }

  private:
    WaylandLink(wl_display* display, double nominalHz, RefreshCallback onRefresh)
        : display_(display),
          queue_(wl_display_create_queue(display)),
          nominalPeriod_(nominalHz > 0.0 ? std::llround(1'000'000.0 / nominalHz) : 0),
          onRefresh_(std::move(onRefresh)) {
        if (::pipe2(stopPipe_, O_CLOEXEC) != 0) {
            stopPipe_[0] = stopPipe_[1] = -1;
        }
    }

    bool setUp(wl_surface* parent) {
        if (stopPipe_[0] < 0) {
            return false;
        }
        // Everything of ours is dispatched on our queue, never on Qt's.
        auto* wrapped = static_cast<wl_display*>(wl_proxy_create_wrapper(display_));
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapped), queue_);
        registry_ = wl_display_get_registry(wrapped);
        wl_proxy_wrapper_destroy(wrapped);
        wl_registry_add_listener(registry_, &kRegistryListener, &g_);
        if (wl_display_roundtrip_queue(display_, queue_) < 0 || g_.compositor == nullptr ||
            g_.subcompositor == nullptr || g_.shm == nullptr || g_.presentation == nullptr) {
            return false;
        }
        wp_presentation_add_listener(g_.presentation, &kPresentationListener, &g_);
        if (wl_display_roundtrip_queue(display_, queue_) < 0 || !usable()) {
            return false;
        }
        buffer_ = transparentPixel(g_.shm);
        if (buffer_ == nullptr) {
            return false;
        }
        surface_ = wl_compositor_create_surface(g_.compositor);
        wl_region* nowhere = wl_compositor_create_region(g_.compositor);
        wl_surface_set_input_region(surface_, nowhere);
        wl_region_destroy(nowhere);
        subsurface_ = wl_subcompositor_get_subsurface(g_.subcompositor, surface_, parent);
        wl_subsurface_set_desync(subsurface_);
        wl_surface_attach(surface_, buffer_, 0, 0);
        beat();
        return wl_display_flush(display_) >= 0;
    }

    // Commits the pixel again, asking when that commit reaches the screen.
    void beat() {
        if (feedback_ != nullptr) {
            wp_presentation_feedback_destroy(feedback_);
        }
        feedback_ = wp_presentation_feedback(g_.presentation, surface_);
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

    void run() {
        lastEvent_ = std::chrono::steady_clock::now();
        while (true) {
            while (wl_display_prepare_read_queue(display_, queue_) != 0) {
                wl_display_dispatch_queue_pending(display_, queue_);
            }
            wl_display_flush(display_);
            pollfd fds[2] = {{wl_display_get_fd(display_), POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
            const int ready = ::poll(fds, 2, kRecommitMs);
            if (ready > 0 && (fds[1].revents & POLLIN) != 0) {
                wl_display_cancel_read(display_);
                return;
            }
            if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
                if (wl_display_read_events(display_) < 0) {
                    return;
                }
            } else {
                wl_display_cancel_read(display_);
            }
            if (wl_display_dispatch_queue_pending(display_, queue_) < 0) {
                return;
            }
            if (std::chrono::steady_clock::now() - lastEvent_ >
                std::chrono::milliseconds(kRecommitMs)) {
                lastEvent_ = std::chrono::steady_clock::now();
                beat();
            }
        }
    }

    wl_display* display_;
    wl_event_queue* queue_;
    const std::int64_t nominalPeriod_;
    RefreshCallback onRefresh_;
    Globals g_;
    wl_registry* registry_ = nullptr;
    wl_buffer* buffer_ = nullptr;
    wl_surface* surface_ = nullptr;
    wl_subsurface* subsurface_ = nullptr;
    struct wp_presentation_feedback* feedback_ = nullptr;
    std::chrono::steady_clock::time_point lastEvent_;
    std::int64_t lastMicros_ = 0;
    std::uint64_t counter_ = 0;
    int stopPipe_[2] = {-1, -1};
    std::thread thread_;
};

}  // namespace

bool windowHasSurface(QWindow* window) {
    return QGuiApplication::platformNativeInterface()->nativeResourceForWindow("surface", window) !=
           nullptr;
}

std::unique_ptr<RefreshLink> openPresentationLink(QWindow* window, double nominalHz,
                                                  RefreshCallback onRefresh,
                                                  PresentationLinkOutcome* outcome) {
    return WaylandLink::open(window, nominalHz, std::move(onRefresh), outcome);
}

}  // namespace lumenor
