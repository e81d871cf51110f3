#pragma once

#include <QImage>
#include <QSize>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace lumenor {

// Where a view's frames go to the screen whole, drawn straight into the buffers the display
// shows: one implementation a windowing system.
class FrameSurface {
  public:
    virtual ~FrameSurface() = default;

    // Bits a channel the window shows.
    virtual int bitsPerChannel() const = 0;
    // Whether a frame waits for the refresh it is queued for, numbered as the display's refresh
    // link numbers them; where not, it shows at the display's next refresh after present().
    virtual bool queuesToRefresh() const = 0;

    // An image of `size` to draw the next frame into, or a null image when every buffer is
    // still on screen (the caller skips this frame). Valid until present().
    virtual QImage beginFrame(QSize size) = 0;
    // Hands the frame begun last to the display, for the refresh numbered `targetMsc` where
    // frames are queued (0, or one already past: the next refresh); false when there is none or
    // the connection is lost.
    virtual bool present(std::uint64_t targetMsc = 0) = 0;
    // The serial of the frame presented last; frames are numbered from 1.
    virtual std::uint32_t lastSerial() const = 0;

    // A frame that reached the screen (not one skipped for a later one): its serial, the refresh
    // counter and when (ust, CLOCK_MONOTONIC microseconds). Reported on the main thread.
    struct Shown {
        std::uint32_t serial = 0;
        std::uint64_t msc = 0;
        std::uint64_t ust = 0;
    };
    std::function<void(const Shown&)> onShown;

    // Frames handed to the display, and those it has finished with so far.
    virtual std::uint64_t presented() const = 0;
    virtual std::uint64_t completed() = 0;

    struct Completion {
        std::uint32_t serial;
        std::uint64_t ust;  // microseconds of CLOCK_MONOTONIC
    };
    // The newest frame that reached the screen, or was skipped there for a newer one, and when.
    virtual std::optional<Completion> lastCompletion() = 0;

    // Whether the window under the surface was taken down since it was opened: frames then
    // need a surface opened anew.
    virtual bool lost() const { return false; }

    // Buffers made and not yet let go; one left unused this long is let go.
    virtual int buffersHeld() const = 0;
    static constexpr std::chrono::seconds kSpareKept{5};
};

}  // namespace lumenor
