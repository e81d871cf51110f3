#include "displays/present_surface.h"

#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>

#include <xcb/present.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

namespace lumenor {

struct PresentSurface::Buffer {
    QSize size;
    xcb_pixmap_t pixmap = 0;
    xcb_shm_seg_t segment = 0;
    void* memory = nullptr;
    bool busy = false;  // on screen or queued: the server may still read it
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
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c, &xcb_shm_id);
    if (present == nullptr || present->present == 0 || shm == nullptr || shm->present == 0) {
        return false;
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
        if (b) {
            xcb_free_pixmap(c, b->pixmap);
            xcb_shm_detach(c, b->segment);
            ::shmdt(b->memory);
        }
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
                }
            }
        } else if (ge->evtype == XCB_PRESENT_EVENT_COMPLETE_NOTIFY) {
            ++completed_;
        }
        std::free(ev);
    }
}

PresentSurface::Buffer* PresentSurface::freeBuffer(QSize size, bool wait) {
    collectEvents(false);
    for (int attempt = 0; attempt < 2; ++attempt) {
        for (auto& b : buffers_) {
            if (!b || !b->busy) {
                if (b && b->size != size) {
                    xcb_free_pixmap(xcb(connection_), b->pixmap);
                    xcb_shm_detach(xcb(connection_), b->segment);
                    ::shmdt(b->memory);
                    b.reset();
                }
                if (!b) {
                    b = std::make_unique<Buffer>();
                }
                return b.get();
            }
        }
        if (!wait) {
            break;
        }
        collectEvents(true);
    }
    return nullptr;
}

std::uint64_t PresentSurface::completed() {
    collectEvents(false);
    return completed_;
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
    if (b->memory == nullptr) {
        xcb_connection_t* c = xcb(connection_);
        const std::size_t bytes =
            static_cast<std::size_t>(size.width()) * static_cast<std::size_t>(size.height()) * 4;
        const int id = ::shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (id < 0) {
            return {};
        }
        void* memory = ::shmat(id, nullptr, 0);
        b->segment = xcb_generate_id(c);
        const bool attached = memory != reinterpret_cast<void*>(-1) &&
                              checked(c, xcb_shm_attach_checked(c, b->segment, id, 0));
        // Marked for removal now: it goes when both sides have let go of it.
        ::shmctl(id, IPC_RMID, nullptr);
        if (!attached) {
            if (memory != reinterpret_cast<void*>(-1)) {
                ::shmdt(memory);
            }
            return {};
        }
        b->memory = memory;
        b->size = size;
        b->pixmap = xcb_generate_id(c);
        if (!checked(c, xcb_shm_create_pixmap_checked(
                            c, b->pixmap, window_, static_cast<std::uint16_t>(size.width()),
                            static_cast<std::uint16_t>(size.height()), 24, b->segment, 0))) {
            xcb_shm_detach(c, b->segment);
            ::shmdt(b->memory);
            b->memory = nullptr;
            return {};
        }
    }
    current_ = b;
    return QImage(static_cast<uchar*>(b->memory), size.width(), size.height(), size.width() * 4,
                  QImage::Format_RGB32);
}

bool PresentSurface::present() {
    if (current_ == nullptr) {
        return false;
    }
    xcb_connection_t* c = xcb(connection_);
    Buffer* b = current_;
    current_ = nullptr;
    xcb_present_pixmap(c, window_, b->pixmap, ++serial_, 0, 0, 0, 0, 0, 0, 0,
                       XCB_PRESENT_OPTION_NONE, 0, 0, 0, 0, nullptr);
    b->busy = true;
    if (xcb_flush(c) <= 0 || xcb_connection_has_error(c) != 0) {
        return false;
    }
    ++presented_;
    return true;
}

}  // namespace lumenor
