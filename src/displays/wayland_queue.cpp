#include "displays/wayland_queue.h"

#include <qpa/qplatformnativeinterface.h>
#include <QGuiApplication>
#include <QWindow>

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>

#include <wayland-client.h>

#include "presentation-time-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace lumenor {

void WaylandQueue::onGlobal(void* data, wl_registry* registry, std::uint32_t name,
                            const char* interface, std::uint32_t version) {
    auto* q = static_cast<WaylandQueue*>(data);
    if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
        q->compositor_ = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, std::min(version, 4u)));
    } else if (std::strcmp(interface, wl_subcompositor_interface.name) == 0) {
        q->subcompositor_ = static_cast<wl_subcompositor*>(
            wl_registry_bind(registry, name, &wl_subcompositor_interface, 1));
    } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
        q->shm_ = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (std::strcmp(interface, wp_presentation_interface.name) == 0) {
        q->presentation_ = static_cast<wp_presentation*>(
            wl_registry_bind(registry, name, &wp_presentation_interface, 1));
        // Listened to at once: the clock comes right after the bind, and an event that finds
        // no listener is lost. Qt's thread may send the bind, and the clock arrive, before the
        // first round trip has dispatched all it read.
        static const wp_presentation_listener presentationListener = {onClockId};
        wp_presentation_add_listener(q->presentation_, &presentationListener, q);
    }
}

void WaylandQueue::onClockId(void* data, wp_presentation*, std::uint32_t clockId) {
    auto* q = static_cast<WaylandQueue*>(data);
    q->clockId_ = clockId;
    q->clockKnown_ = true;
}

std::unique_ptr<WaylandQueue> WaylandQueue::open() {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        return nullptr;
    }
    auto* display = static_cast<wl_display*>(
        QGuiApplication::platformNativeInterface()->nativeResourceForIntegration("wl_display"));
    if (display == nullptr) {
        return nullptr;
    }
    std::unique_ptr<WaylandQueue> q(new WaylandQueue(display));
    if (q->stopPipe_[0] < 0) {
        return nullptr;
    }
    // Everything of ours is dispatched on our queue, never on Qt's.
    auto* wrapped = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapped), q->queue_);
    q->registry_ = wl_display_get_registry(wrapped);
    wl_proxy_wrapper_destroy(wrapped);
    static const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};
    wl_registry_add_listener(q->registry_, &registryListener, q.get());
    if (wl_display_roundtrip_queue(display, q->queue_) < 0 || q->compositor_ == nullptr ||
        q->subcompositor_ == nullptr || q->shm_ == nullptr || q->presentation_ == nullptr) {
        return nullptr;
    }
    if (wl_display_roundtrip_queue(display, q->queue_) < 0 || !q->clockKnown_ ||
        q->clockId_ != CLOCK_MONOTONIC) {
        return nullptr;
    }
    return q;
}

WaylandQueue::WaylandQueue(wl_display* display)
    : display_(display), queue_(wl_display_create_queue(display)) {
    if (::pipe2(stopPipe_, O_CLOEXEC) != 0) {
        stopPipe_[0] = stopPipe_[1] = -1;
    }
}

WaylandQueue::~WaylandQueue() {
    stop();
    if (presentation_ != nullptr) {
        wp_presentation_destroy(presentation_);
    }
    if (shm_ != nullptr) {
        wl_shm_destroy(shm_);
    }
    if (subcompositor_ != nullptr) {
        wl_subcompositor_destroy(subcompositor_);
    }
    if (compositor_ != nullptr) {
        wl_compositor_destroy(compositor_);
    }
    if (registry_ != nullptr) {
        wl_registry_destroy(registry_);
    }
    wl_display_flush(display_);
    wl_event_queue_destroy(queue_);
    if (stopPipe_[0] >= 0) {
        ::close(stopPipe_[0]);
        ::close(stopPipe_[1]);
    }
}

bool WaylandQueue::start(int idleMs, std::function<void()> onRound) {
    if (wl_display_flush(display_) < 0) {
        return false;
    }
    thread_ = std::thread([this, idleMs, onRound = std::move(onRound)] { run(idleMs, onRound); });
    return true;
}

void WaylandQueue::stop() {
    if (thread_.joinable()) {
        const char byte = 0;
        (void)::write(stopPipe_[1], &byte, 1);
        thread_.join();
    }
}

void WaylandQueue::run(int idleMs, const std::function<void()>& onRound) {
    while (true) {
        while (wl_display_prepare_read_queue(display_, queue_) != 0) {
            wl_display_dispatch_queue_pending(display_, queue_);
        }
        wl_display_flush(display_);
        pollfd fds[2] = {{wl_display_get_fd(display_), POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, idleMs);
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
        onRound();
    }
}

wl_buffer* makeShmBuffer(wl_shm* shm, int width, int height, void** pixels) {
    const int stride = width * 4;
    const std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
    const int fd = ::memfd_create("lumenor-buffer", MFD_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    wl_buffer* buffer = nullptr;
    void* mapped = nullptr;
    if (::ftruncate(fd, static_cast<off_t>(bytes)) == 0 &&
        (pixels == nullptr || (mapped = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED,
                                               fd, 0)) != MAP_FAILED)) {
        wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<std::int32_t>(bytes));
        buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_ARGB8888);
        wl_shm_pool_destroy(pool);
    }
    ::close(fd);
    if (pixels != nullptr) {
        if (buffer != nullptr) {
            *pixels = mapped;
        } else if (mapped != nullptr && mapped != MAP_FAILED) {
            ::munmap(mapped, bytes);
        }
    }
    return buffer;
}

wl_surface* waylandSurface(QWindow* window) {
    return static_cast<wl_surface*>(
        QGuiApplication::platformNativeInterface()->nativeResourceForWindow("surface", window));
}

bool askFullScreenOn(QWindow* window, QScreen* screen) {
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    auto* toplevel =
        static_cast<xdg_toplevel*>(native->nativeResourceForWindow("xdg_toplevel", window));
    auto* output = static_cast<wl_output*>(native->nativeResourceForScreen("output", screen));
    if (toplevel == nullptr || output == nullptr) {
        return false;
    }
    xdg_toplevel_set_fullscreen(toplevel, output);
    return true;
}

}  // namespace lumenor
