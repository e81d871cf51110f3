#pragma once

#include <QImage>
#include <QSize>

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace lumenor {

// Shows whole frames in one X11 window through the Present extension: each frame is drawn
// straight into a shared-memory pixmap (or, where the server cannot share our memory, into
// our own buffer sent up with PutImage) and handed to the server, which puts it on screen at
// the next refresh, whole and unscaled. Frames are device pixels in RGB32 for a window of
// depth 24, and in RGB30 (ten bits a channel) for one of depth 30.
class PresentSurface {
  public:
    // A surface for the window with this X id; null when the server lacks Present, takes
    // pixels in another layout than ours, or the window is not there.
    static std::unique_ptr<PresentSurface> open(unsigned long window);
    ~PresentSurface();
    PresentSurface(const PresentSurface&) = delete;
    PresentSurface& operator=(const PresentSurface&) = delete;

    // The layout of the frames: RGB32 or RGB30, as the window's depth asks.
    QImage::Format format() const { return format_; }
    // Bits a channel the window shows: 8, or 10 at depth 30.
    int bitsPerChannel() const { return format_ == QImage::Format_RGB30 ? 10 : 8; }

    // An image of `size` to draw the next frame into, or a null image when every buffer is
    // still on screen (the caller skips this frame). Valid until present().
    QImage beginFrame(QSize size);
    // Queues the frame begun last for the refresh numbered `targetMsc` (0, or one already
    // past: the next refresh); false when there is none or the connection is lost.
    bool present(std::uint64_t targetMsc = 0);
    // The serial of the frame presented last; frames are numbered from 1.
    std::uint32_t lastSerial() const { return serial_; }

    // Buffers made and not yet let go; one left unused this long is let go.
    int buffersHeld() const;
    static constexpr std::chrono::seconds kSpareKept{5};

    // A frame that reached the screen (not one skipped for a later one): its serial, the refresh
    // counter and when (ust, CLOCK_MONOTONIC microseconds). Reported as the surface reads the
    // server's events.
    struct Shown {
        std::uint32_t serial = 0;
        std::uint64_t msc = 0;
        std::uint64_t ust = 0;
    };
    std::function<void(const Shown&)> onShown;

    // Frames handed to the server, and those it has put on screen so far.
    std::uint64_t presented() const { return presented_; }
    std::uint64_t completed();

    struct Completion {
        std::uint32_t serial;
        std::uint64_t ust;  // microseconds of CLOCK_MONOTONIC
    };
    // The newest frame the server has finished with (shown, or skipped for a newer one), and
    // when.
    std::optional<Completion> lastCompletion();

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
