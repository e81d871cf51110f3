#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QWindow;
struct wl_output;
struct wl_surface;
struct wp_presentation_feedback;

namespace lumenor {

class WaylandQueue;

// When the frames Qt commits to a window reach the screen, from the compositor's presentation
// feedback: on Wayland what the Present extension's complete events are on X11.
class WaylandFrameFeedback {
  public:
    struct Shown {
        std::uint64_t serial = 0;
        std::uint64_t ust = 0;  // microseconds of CLOCK_MONOTONIC
        std::uint64_t msc = 0;  // refreshes since the first frame shown, counted from the times
    };

    // Null off Wayland, or where the compositor gives no presentation times. `onShown` runs on
    // the main thread, once for each frame that reached the screen.
    static std::unique_ptr<WaylandFrameFeedback> open(std::function<void(const Shown&)> onShown);
    ~WaylandFrameFeedback();
    WaylandFrameFeedback(const WaylandFrameFeedback&) = delete;
    WaylandFrameFeedback& operator=(const WaylandFrameFeedback&) = delete;

    // The window's next commit carries frame `serial`; called on the main thread before Qt
    // commits it (from the paint that draws it).
    void expect(QWindow* window, std::uint64_t serial);
    // The same for a surface of our own, made on queue().
    void expect(wl_surface* surface, std::uint64_t serial);
    WaylandQueue& queue() { return *queue_; }

  private:
    struct Pending {
        WaylandFrameFeedback* owner;
        wp_presentation_feedback* feedback;
        std::uint64_t serial;
    };
    WaylandFrameFeedback(std::unique_ptr<WaylandQueue> queue,
                         std::function<void(const Shown&)> onShown);
    void finish(Pending* pending, const Shown* shown);
    static void onSyncOutput(void*, wp_presentation_feedback*, wl_output*) {}
    static void onPresented(void* data, wp_presentation_feedback*, std::uint32_t secHi,
                            std::uint32_t secLo, std::uint32_t nsec, std::uint32_t refreshNs,
                            std::uint32_t, std::uint32_t, std::uint32_t);
    static void onDiscarded(void* data, wp_presentation_feedback*);

    QObject mainThread_;  // what the shown frames are handed to the main thread through
    std::function<void(const Shown&)> onShown_;
    std::unique_ptr<WaylandQueue> queue_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<Pending>> pending_;
    std::uint64_t firstUst_ = 0;
};

}  // namespace lumenor
