#include "displays/present_surface.h"

#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include <xcb/present.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include "core/log.h"
#include "displays/present_format.h"

namespace lumenor {

struct PresentSurface::Buffer {
    QSize size;
    xcb_pixmap_t pixmap = 0;
    xcb_shm_seg_t segment = 0;  // 0 when the frame is uploaded with PutImage
    void* memory = nullptr;     // the shared segment, or `local`'s data
    std::vector<std::uint32_t> local;
    bool busy = false;  // on screen or queued: the server may still read it
    std::chrono::steady_clock::time_point freedAt = std::chrono::steady_clock::now();
};

namespace {

xcb_connection_t* xcb(void* c) {
    return static_cast<xcb_connection_t*>(c);
}

bool checked(xcb_connection_t* c, xcb_void_cookie_t cookie) {
    xcb_generic_error_t* error = xcb_request_check(c, cookie);
    std::free(error);
    return error == nullptr;
}

// Whether shmat failed: it returns (void*)-1, told here by the address's value, with no
// integer cast to a pointer and no arithmetic on a null one.
bool shmatFailed(const void* memory) {
    return reinterpret_cast<std::intptr_t>(memory) == -1;
}

}  // namespace

std::unique_ptr<PresentSurface> PresentSurface::open(unsigned long window) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c) != 0) {
        xcb_disconnect(c);
        return nullptr;
    }
    std::unique_ptr<PresentSurface> surface(
        new PresentSurface(c, static_cast<std::uint32_t>(window)));
    if (!surface->setUp()) {
        return nullptr;
    }
    return surface;
}

PresentSurface::PresentSurface(void* connection, std::uint32_t window)
    : connection_(connection), window_(window) {}

bool PresentSurface::setUp() {
    xcb_connection_t* c = xcb(connection_);
    const xcb_query_extension_reply_t* present = xcb_get_extension_data(c, &xcb_present_id);
    if (present == nullptr || present->present == 0) {
        return false;
    }
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window_), nullptr);
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window_), nullptr);
    const std::optional<QImage::Format> format =
        geometry != nullptr && attributes != nullptr
            ? presentFrameFormat(c, geometry->depth, attributes->visual)
            : std::nullopt;
    depth_ = geometry != nullptr ? geometry->depth : 0;
    std::free(geometry);
    std::free(attributes);
    if (!format) {
        qCInfo(logDisplay, "frames cannot be presented in a window of depth %d", depth_);
        return false;
    }
    format_ = *format;
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c, &xcb_shm_id);
    shared_ = shm != nullptr && shm->present != 0;
    if (!shared_) {
        qCInfo(logDisplay, "no MIT-SHM on this display: frames are uploaded with PutImage");
    }
    eventId_ = xcb_generate_id(c);
    if (!checked(c, xcb_present_select_input_checked(c, eventId_, window_,
                                                     XCB_PRESENT_EVENT_MASK_IDLE_NOTIFY |
                                                         XCB_PRESENT_EVENT_MASK_COMPLETE_NOTIFY))) {
        return false;
    }
    special_ = xcb_register_for_special_xge(c, &xcb_present_id, eventId_, nullptr);
    return special_ != nullptr;
}

PresentSurface::~PresentSurface() {
    xcb_connection_t* c = xcb(connection_);
    for (auto& b : buffers_) {
        release(b);
    }
    if (gc_ != 0) {
        xcb_free_gc(c, gc_);
    }
    if (special_ != nullptr) {
        xcb_unregister_for_special_event(c, static_cast<xcb_special_event_t*>(special_));
    }
    xcb_flush(c);
    xcb_disconnect(c);
}

void PresentSurface::collectEvents(bool wait) {
    xcb_connection_t* c = xcb(connection_);
    auto* special = static_cast<xcb_special_event_t*>(special_);
    if (wait) {
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        ::poll(&fd, 1, 100);
    }
    // Reading ordinary events pulls the socket's data into xcb's queues.
    while (xcb_generic_event_t* ev = xcb_poll_for_event(c)) {
        std::free(ev);
    }
    while (xcb_generic_event_t* ev = xcb_poll_for_special_event(c, special)) {
        const auto* ge = reinterpret_cast<const xcb_present_generic_event_t*>(ev);
        if (ge->evtype == XCB_PRESENT_EVENT_IDLE_NOTIFY) {
            const auto* idle = reinterpret_cast<const xcb_present_idle_notify_event_t*>(ev);
            for (auto& b : buffers_) {
                if (b && b->pixmap == idle->pixmap) {
                    b->busy = false;
                    b->freedAt = std::chrono::steady_clock::now();
                }
            }
        } else if (ge->evtype == XCB_PRESENT_EVENT_COMPLETE_NOTIFY) {
            ++completed_;
            const auto* done = reinterpret_cast<const xcb_present_complete_notify_event_t*>(ev);
            // Frames overtaken before their refresh may be reported after the frame that
            // overtook them: the latest completion is the newest serial, not the last event.
            if (!lastCompletion_ ||
                static_cast<std::int32_t>(done->serial - lastCompletion_->serial) > 0) {
                lastCompletion_ = Completion{done->serial, done->ust};
            }
            // A frame overtaken by a later one before its refresh is skipped, never shown.
            if (onShown && done->kind == XCB_PRESENT_COMPLETE_KIND_PIXMAP &&
                done->mode != XCB_PRESENT_COMPLETE_MODE_SKIP) {
                onShown({done->serial, done->msc, done->ust});
            }
        }
        std::free(ev);
    }
}

// The idle buffer freed last, or a new one: a spare taken in a burst stays unused and goes.
PresentSurface::Buffer* PresentSurface::freeBuffer(QSize size, bool wait) {
    collectEvents(false);
    releaseSpares();
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::unique_ptr<Buffer>* pick = nullptr;
        for (auto& b : buffers_) {
            if (b && !b->busy && (pick == nullptr || b->freedAt > (*pick)->freedAt)) {
                pick = &b;
            }
        }
        for (auto& b : buffers_) {
            if (pick == nullptr && !b) {
                pick = &b;
            }
        }
        if (pick != nullptr) {
            std::unique_ptr<Buffer>& b = *pick;
            if (b && b->size != size) {
                release(b);
            }
            if (!b) {
                b = std::make_unique<Buffer>();
            }
            return b.get();
        }
        if (!wait) {
            break;
        }
        collectEvents(true);
    }
    return nullptr;
}

void PresentSurface::releaseSpares() {
    const auto now = std::chrono::steady_clock::now();
    for (auto& b : buffers_) {
        if (b && !b->busy && now - b->freedAt > kSpareKept) {
            release(b);
        }
    }
}

int PresentSurface::buffersHeld() const {
    return static_cast<int>(std::count_if(buffers_.begin(), buffers_.end(),
                                          [](const auto& b) { return b != nullptr; }));
}

std::uint64_t PresentSurface::completed() {
    collectEvents(false);
    return completed_;
}

std::optional<PresentSurface::Completion> PresentSurface::lastCompletion() {
    collectEvents(false);
    return lastCompletion_;
}

void PresentSurface::release(std::unique_ptr<Buffer>& b) {
    if (!b) {
        return;
    }
    xcb_connection_t* c = xcb(connection_);
    if (b->pixmap != 0) {
        xcb_free_pixmap(c, b->pixmap);
    }
    if (b->segment != 0) {
        xcb_shm_detach(c, b->segment);
        ::shmdt(b->memory);
    }
    b.reset();
}

bool PresentSurface::allocateShared(Buffer& b, QSize size) {
    xcb_connection_t* c = xcb(connection_);
    const std::size_t bytes =
        static_cast<std::size_t>(size.width()) * static_cast<std::size_t>(size.height()) * 4;
    const int id = ::shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0) {
        return false;
    }
    void* memory = ::shmat(id, nullptr, 0);
    if (shmatFailed(memory)) {
        ::shmctl(id, IPC_RMID, nullptr);
        return false;
    }
    const xcb_shm_seg_t segment = xcb_generate_id(c);
    const bool attached = checked(c, xcb_shm_attach_checked(c, segment, id, 0));
    // Marked for removal now: it goes when both sides have let go of it.
    ::shmctl(id, IPC_RMID, nullptr);
    if (!attached) {
        ::shmdt(memory);
        return false;
    }
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    if (!checked(c, xcb_shm_create_pixmap_checked(
                        c, pixmap, window_, static_cast<std::uint16_t>(size.width()),
                        static_cast<std::uint16_t>(size.height()), depth_, segment, 0))) {
        xcb_shm_detach(c, segment);
        ::shmdt(memory);
        return false;
    }
    b.segment = segment;
    b.memory = memory;
    b.pixmap = pixmap;
    return true;
}

bool PresentSurface::allocateLocal(Buffer& b, QSize size) {
    xcb_connection_t* c = xcb(connection_);
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    if (!checked(c, xcb_create_pixmap_checked(c, depth_, pixmap, window_,
                                              static_cast<std::uint16_t>(size.width()),
                                              static_cast<std::uint16_t>(size.height())))) {
        return false;
    }
    b.local.assign(static_cast<std::size_t>(size.width()) * static_cast<std::size_t>(size.height()),
                   0);
    b.memory = b.local.data();
    b.pixmap = pixmap;
    return true;
}

bool PresentSurface::allocate(Buffer& b, QSize size) {
    // A server that has MIT-SHM but cannot reach our memory (a display on another machine)
    // refuses the attach; from then on every frame goes up with PutImage.
    if (shared_ && !allocateShared(b, size)) {
        shared_ = false;
        qCInfo(logDisplay,
               "shared memory refused by the display: frames are uploaded with PutImage");
    }
    if (!shared_ && !allocateLocal(b, size)) {
        return false;
    }
    b.size = size;
    return true;
}

// PutImage in bands of whole rows that fit the server's request size.
void PresentSurface::upload(const Buffer& b) {
    xcb_connection_t* c = xcb(connection_);
    if (gc_ == 0) {
        gc_ = xcb_generate_id(c);
        xcb_create_gc(c, gc_, b.pixmap, 0, nullptr);
    }
    const std::size_t stride = static_cast<std::size_t>(b.size.width()) * 4;
    const std::size_t maxBytes =
        static_cast<std::size_t>(xcb_get_maximum_request_length(c)) * 4 - 64;
    const int band = std::max(1, static_cast<int>(maxBytes / stride));
    const auto* bytes = static_cast<const std::uint8_t*>(b.memory);
    for (int y = 0; y < b.size.height(); y += band) {
        const int rows = std::min(band, b.size.height() - y);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, b.pixmap, gc_,
                      static_cast<std::uint16_t>(b.size.width()), static_cast<std::uint16_t>(rows),
                      0, static_cast<std::int16_t>(y), 0, depth_,
                      static_cast<std::uint32_t>(stride * static_cast<std::size_t>(rows)),
                      bytes + stride * static_cast<std::size_t>(y));
    }
}

QImage PresentSurface::beginFrame(QSize size) {
    current_ = nullptr;
    if (size.isEmpty()) {
        return {};
    }
    Buffer* b = freeBuffer(size, true);
    if (b == nullptr) {
        return {};
    }
    if (b->memory == nullptr && !allocate(*b, size)) {
        return {};
    }
    current_ = b;
    return QImage(static_cast<uchar*>(b->memory), size.width(), size.height(),
                  static_cast<qsizetype>(size.width()) * 4, format_);
}

bool PresentSurface::present(std::uint64_t targetMsc) {
    if (current_ == nullptr) {
        return false;
    }
    xcb_connection_t* c = xcb(connection_);
    Buffer* b = current_;
    current_ = nullptr;
    if (b->segment == 0) {
        upload(*b);
    }
    // A frame asked for the next refresh would be overtaken by one queued earlier for a later
    // refresh (the last frame of an animation, when the pattern stops moving): it goes to that
    // refresh instead, where the server drops the earlier frame for it.
    collectEvents(false);
    const bool laterPending =
        pending_ && (!lastCompletion_ ||
                     static_cast<std::int32_t>(pending_->serial - lastCompletion_->serial) > 0);
    if (laterPending && targetMsc < pending_->msc) {
        targetMsc = pending_->msc;
    }
    xcb_present_pixmap(c, window_, b->pixmap, ++serial_, 0, 0, 0, 0, 0, 0, 0,
                       XCB_PRESENT_OPTION_NONE, targetMsc, 0, 0, 0, nullptr);
    if (targetMsc != 0) {
        pending_ = Shown{serial_, targetMsc, 0};
    }
    b->busy = true;
    if (xcb_flush(c) <= 0 || xcb_connection_has_error(c) != 0) {
        return false;
    }
    ++presented_;
    return true;
}

}  // namespace lumenor
