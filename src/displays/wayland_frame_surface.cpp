#include "displays/wayland_frame_surface.h"

#include <QWindow>

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cmath>

#include <wayland-client.h>

#include "displays/wayland_frame_feedback.h"
#include "displays/wayland_queue.h"

namespace lumenor {

struct WaylandFrameSurface::Buffer {
    QSize size;
    wl_buffer* buffer = nullptr;
    void* memory = nullptr;
    std::size_t bytes = 0;
    // Attached and not yet let go by the compositor; cleared on the queue's thread.
    std::atomic<bool> busy{false};
    std::chrono::steady_clock::time_point lastUsed = std::chrono::steady_clock::now();

    ~Buffer() {
        if (buffer != nullptr) {
            wl_buffer_destroy(buffer);
        }
        if (memory != nullptr) {
            ::munmap(memory, bytes);
        }
    }
};

std::unique_ptr<WaylandFrameSurface> WaylandFrameSurface::open(QWindow* window, QPoint offset,
                                                               double scale) {
    const int wholeScale = static_cast<int>(std::lround(scale));
    if (window == nullptr || wholeScale < 1 || std::fabs(scale - wholeScale) > 1e-6) {
        return nullptr;
    }
    wl_surface* parent = waylandSurface(window);
    if (parent == nullptr) {
        return nullptr;
    }
    std::unique_ptr<WaylandFrameSurface> s(new WaylandFrameSurface);
    WaylandFrameSurface* made = s.get();
    s->feedback_ = WaylandFrameFeedback::open([made](const WaylandFrameFeedback::Shown& shown) {
        made->frameShown({static_cast<std::uint32_t>(shown.serial), shown.msc, shown.ust});
    });
    if (!s->feedback_ || !s->setUp(parent, offset, wholeScale)) {
        return nullptr;
    }
    // Qt makes the window a new surface each time it shows it; frames then need a new one of ours.
    const auto lose = [made] { made->lost_ = true; };
    QObject::connect(window, &QWindow::visibleChanged, &s->mainThread_, [lose](bool visible) {
        if (!visible) {
            lose();
        }
    });
    QObject::connect(window, &QObject::destroyed, &s->mainThread_, lose);
    return s;
}

WaylandQueue& WaylandFrameSurface::queue() {
    return feedback_->queue();
}

bool WaylandFrameSurface::setUp(wl_surface* parent, QPoint offset, int scale) {
    surface_ = wl_compositor_create_surface(queue().compositor());
    if (surface_ == nullptr) {
        return false;
    }
    // Pointer and touch go to the window under it, as if this surface were not there.
    wl_region* nowhere = wl_compositor_create_region(queue().compositor());
    wl_surface_set_input_region(surface_, nowhere);
    wl_region_destroy(nowhere);
    wl_surface_set_buffer_scale(surface_, scale);
    subsurface_ = wl_subcompositor_get_subsurface(queue().subcompositor(), surface_, parent);
    // Lowest of the window's sub-surfaces, under the refresh link's heartbeat.
    wl_subsurface_place_above(subsurface_, parent);
    wl_subsurface_set_position(subsurface_, offset.x(), offset.y());
    // Frames go on screen as they are committed, not with Qt's next commit of the window.
    wl_subsurface_set_desync(subsurface_);
    return true;
}

WaylandFrameSurface::~WaylandFrameSurface() {
    if (!feedback_) {
        return;
    }
    // No buffer event may come while the buffers go.
    queue().stop();
    current_ = nullptr;
    for (auto& b : buffers_) {
        b.reset();
    }
    if (subsurface_ != nullptr) {
        wl_subsurface_destroy(subsurface_);
    }
    if (surface_ != nullptr) {
        wl_surface_destroy(surface_);
    }
}

std::unique_ptr<WaylandFrameSurface::Buffer> WaylandFrameSurface::allocate(QSize size) {
    auto b = std::make_unique<Buffer>();
    b->size = size;
    b->bytes = static_cast<std::size_t>(size.width()) * 4 * static_cast<std::size_t>(size.height());
    // RGB32's layout in memory on a little-endian machine, its alpha always full. Said to have
    // alpha, the surface is not taken as opaque: a compositor gives no frame callbacks to a
    // surface it sees covered, and Qt stops painting a window that gets none, so a window under
    // an opaque frame would never take its next size.
    b->buffer = makeShmBuffer(queue().shm(), size.width(), size.height(), &b->memory);
    if (b->buffer == nullptr) {
        return nullptr;
    }
    static constexpr wl_buffer_listener listener = {onReleased};
    wl_buffer_add_listener(b->buffer, &listener, b.get());
    return b;
}

void WaylandFrameSurface::onReleased(void* data, wl_buffer*) {
    static_cast<Buffer*>(data)->busy = false;
}

QImage WaylandFrameSurface::beginFrame(QSize size) {
    if (lost_ || size.isEmpty()) {
        return {};
    }
    releaseSpares();
    // The free buffer used last: one that stays unused is a spare, and goes in time.
    Buffer* chosen = nullptr;
    for (auto& b : buffers_) {
        if (b && !b->busy && b->size != size) {
            b.reset();
        }
        if (b && !b->busy && (chosen == nullptr || b->lastUsed > chosen->lastUsed)) {
            chosen = b.get();
        }
    }
    if (chosen == nullptr) {
        const auto empty = std::find(buffers_.begin(), buffers_.end(), nullptr);
        if (empty == buffers_.end() || !(*empty = allocate(size))) {
            return {};
        }
        chosen = empty->get();
    }
    current_ = chosen;
    return {static_cast<uchar*>(chosen->memory), size.width(), size.height(),
            static_cast<qsizetype>(size.width()) * 4, QImage::Format_RGB32};
}

bool WaylandFrameSurface::present(std::uint64_t) {
    if (current_ == nullptr || lost_) {
        return false;
    }
    Buffer* b = std::exchange(current_, nullptr);
    b->busy = true;
    b->lastUsed = std::chrono::steady_clock::now();
    ++serial_;
    ++presented_;
    feedback_->expect(surface_, serial_);
    wl_surface_attach(surface_, b->buffer, 0, 0);
    wl_surface_damage_buffer(surface_, 0, 0, b->size.width(), b->size.height());
    wl_surface_commit(surface_);
    return wl_display_flush(queue().display()) >= 0;
}

int WaylandFrameSurface::buffersHeld() const {
    return static_cast<int>(std::count_if(buffers_.begin(), buffers_.end(),
                                          [](const auto& b) { return b != nullptr; }));
}

void WaylandFrameSurface::releaseSpares() {
    const auto now = std::chrono::steady_clock::now();
    for (auto& b : buffers_) {
        if (b && !b->busy && now - b->lastUsed > kSpareKept) {
            b.reset();
        }
    }
}

void WaylandFrameSurface::frameShown(const Shown& shown) {
    ++completed_;
    lastCompletion_ = Completion{shown.serial, shown.ust};
    if (onShown) {
        onShown(shown);
    }
}

}  // namespace lumenor
