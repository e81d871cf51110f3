#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

struct wl_buffer;
struct wl_compositor;
struct wl_display;
struct wl_event_queue;
struct wl_registry;
struct wl_shm;
struct wl_subcompositor;
struct wl_surface;
struct wp_presentation;
class QScreen;
class QWindow;

namespace lumenor {

// Lumenor's own objects on Qt's Wayland connection, kept apart from Qt's: an event queue of
// their own, dispatched on a thread of their own, with the compositor's globals bound on it.
// Made and destroyed on the main thread; its owner stops it, then destroys the objects it made
// on the queue, before the queue goes.
class WaylandQueue {
  public:
    // Null off Wayland, where the connection fails, or where the compositor has no
    // presentation clock comparable with ours (CLOCK_MONOTONIC).
    static std::unique_ptr<WaylandQueue> open();
    ~WaylandQueue();
    WaylandQueue(const WaylandQueue&) = delete;
    WaylandQueue& operator=(const WaylandQueue&) = delete;

    wl_display* display() const { return display_; }
    wl_compositor* compositor() const { return compositor_; }
    wl_subcompositor* subcompositor() const { return subcompositor_; }
    wl_shm* shm() const { return shm_; }
    wp_presentation* presentation() const { return presentation_; }

    // Dispatches the queue's events on the thread until stop(); `onRound` runs there after
    // each round of them, and at least every `idleMs`.
    bool start(int idleMs, std::function<void()> onRound);
    void stop();

  private:
    explicit WaylandQueue(wl_display* display);
    static void onGlobal(void* data, wl_registry* registry, std::uint32_t name,
                         const char* interface, std::uint32_t version);
    static void onGlobalRemove(void*, wl_registry*, std::uint32_t) {}
    static void onClockId(void* data, wp_presentation*, std::uint32_t clockId);
    void run(int idleMs, const std::function<void()>& onRound);

    wl_display* display_;
    wl_event_queue* queue_;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    wl_subcompositor* subcompositor_ = nullptr;
    wl_shm* shm_ = nullptr;
    wp_presentation* presentation_ = nullptr;
    std::uint32_t clockId_ = 0;
    bool clockKnown_ = false;
    int stopPipe_[2] = {-1, -1};
    std::thread thread_;
};

// A buffer of `width` × `height` ARGB8888 pixels in shared memory, all zero (fully transparent),
// with its pixels mapped at `*pixels` when asked for (width × height × 4 bytes, the caller's to
// unmap); null where the memory cannot be had.
wl_buffer* makeShmBuffer(wl_shm* shm, int width, int height, void** pixels = nullptr);

// The window's surface; null until Qt has made it (as it first shows the window).
wl_surface* waylandSurface(QWindow* window);

// Asks the compositor to show the window full screen on the screen's output, whatever state Qt
// believes the window in; false where that cannot be asked (no xdg-shell window yet, or a
// screen without an output).
bool askFullScreenOn(QWindow* window, QScreen* screen);

}  // namespace lumenor
