#pragma once

#include <QObject>
#include <QPoint>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

#include "displays/frame_surface.h"

class QWindow;
struct wl_buffer;
struct wl_subsurface;
struct wl_surface;

namespace lumenor {

class WaylandFrameFeedback;
class WaylandQueue;

// Shows whole frames on a native Wayland window through a surface of our own, placed over the
// window's as its lowest sub-surface: each frame is drawn straight into a shared-memory buffer
// the compositor shows as it is, at the window's integer scale, and the compositor's
// presentation feedback says when each one reached the screen. Qt's buffers for the window
// stay under it, painted only when Qt must. Frames are device pixels in RGB32.
class WaylandFrameSurface : public FrameSurface {
  public:
    // A surface over `window` at `offset` (logical pixels) for frames at `scale` device pixels a
    // logical one; null off Wayland, at a scale that is not a whole number, before Qt has made
    // the window's surface, or where the compositor lacks what it takes.
    static std::unique_ptr<WaylandFrameSurface> open(QWindow* window, QPoint offset, double scale);
    ~WaylandFrameSurface() override;
    WaylandFrameSurface(const WaylandFrameSurface&) = delete;
    WaylandFrameSurface& operator=(const WaylandFrameSurface&) = delete;

    int bitsPerChannel() const override { return 8; }
    bool queuesToRefresh() const override { return false; }
    QImage beginFrame(QSize size) override;
    bool present(std::uint64_t targetMsc = 0) override;
    std::uint32_t lastSerial() const override { return serial_; }
    std::uint64_t presented() const override { return presented_; }
    // Frames shown so far: a frame the compositor skipped for a newer one is not reported.
    std::uint64_t completed() override { return completed_; }
    std::optional<Completion> lastCompletion() override { return lastCompletion_; }
    int buffersHeld() const override;

    // Hidden, or gone.
    bool lost() const override { return lost_; }

  private:
    struct Buffer;
    WaylandFrameSurface() = default;
    WaylandQueue& queue();
    bool setUp(wl_surface* parent, QPoint offset, int scale);
    std::unique_ptr<Buffer> allocate(QSize size);
    void releaseSpares();
    static void onReleased(void* data, wl_buffer*);
    void frameShown(const Shown& shown);

    QObject mainThread_;  // what the window's signals are taken on
    // When frames reach the screen; its queue and thread also carry the buffers' events.
    std::unique_ptr<WaylandFrameFeedback> feedback_;
    wl_surface* surface_ = nullptr;
    wl_subsurface* subsurface_ = nullptr;
    bool lost_ = false;
    // One on screen, one or two the compositor has not let go of yet, one being drawn.
    std::array<std::unique_ptr<Buffer>, 4> buffers_;
    Buffer* current_ = nullptr;
    std::uint32_t serial_ = 0;
    std::uint64_t presented_ = 0;
    std::uint64_t completed_ = 0;
    std::optional<Completion> lastCompletion_;
};

}  // namespace lumenor
