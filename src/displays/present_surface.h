#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

#include "displays/frame_surface.h"

namespace lumenor {

// Shows whole frames in one X11 window through the Present extension: each frame is drawn
// straight into a shared-memory pixmap (or, where the server cannot share our memory, into
// our own buffer sent up with PutImage) and handed to the server, which puts it on screen at
// the next refresh, whole and unscaled. Frames are device pixels in RGB32 for a window of
// depth 24, and in RGB30 (ten bits a channel) for one of depth 30.
class PresentSurface : public FrameSurface {
  public:
    // A surface for the window with this X id; null when the server lacks Present, takes
    // pixels in another layout than ours, or the window is not there.
    static std::unique_ptr<PresentSurface> open(unsigned long window);
    ~PresentSurface() override;
    PresentSurface(const PresentSurface&) = delete;
    PresentSurface& operator=(const PresentSurface&) = delete;

    // The layout of the frames: RGB32 or RGB30, as the window's depth asks.
    QImage::Format format() const { return format_; }
    // 8, or 10 at depth 30.
    int bitsPerChannel() const override { return format_ == QImage::Format_RGB30 ? 10 : 8; }
    bool queuesToRefresh() const override { return true; }

    QImage beginFrame(QSize size) override;
    bool present(std::uint64_t targetMsc = 0) override;
    std::uint32_t lastSerial() const override { return serial_; }

    int buffersHeld() const override;
    // Completions and shown frames are reported as the surface reads the server's events.
    std::uint64_t presented() const override { return presented_; }
    std::uint64_t completed() override;
    std::optional<Completion> lastCompletion() override;

  private:
    struct Buffer;
    explicit PresentSurface(void* connection, std::uint32_t window);
    bool setUp();
    void collectEvents(bool wait);
    Buffer* freeBuffer(QSize size, bool wait);
    bool allocate(Buffer& b, QSize size);
    bool allocateShared(Buffer& b, QSize size);
    bool allocateLocal(Buffer& b, QSize size);
    void release(std::unique_ptr<Buffer>& b);
    void releaseSpares();
    void upload(const Buffer& b);

    void* connection_;  // xcb_connection_t, kept out of this header
    std::uint32_t window_;
    std::uint8_t depth_ = 24;
    QImage::Format format_ = QImage::Format_RGB32;
    std::uint32_t eventId_ = 0;
    std::uint32_t gc_ = 0;     // for PutImage uploads
    bool shared_ = true;       // buffers live in MIT-SHM segments
    void* special_ = nullptr;  // xcb_special_event_t
    // One on screen, two queued for the coming refreshes and one being drawn; made as needed.
    std::array<std::unique_ptr<Buffer>, 4> buffers_;
    Buffer* current_ = nullptr;
    std::uint32_t serial_ = 0;
    std::uint64_t presented_ = 0;
    // The newest frame queued for a given refresh (serial and msc).
    std::optional<Shown> pending_;
    std::uint64_t completed_ = 0;
    std::optional<Completion> lastCompletion_;
};

}  // namespace lumenor
