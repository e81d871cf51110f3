#include "displays/present_refresh_link.h"

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <thread>

#include <xcb/present.h>
#include <xcb/randr.h>
#include <xcb/xcb.h>

#include "core/log.h"
#include "displays/modeline_rate.h"
#include "displays/timer_refresh_link.h"
#include "displays/xcb_reply.h"
#include "displays/xwayland_detection.h"

namespace lumenor {

namespace {

struct Placement {
    std::int16_t x = 0;
    std::int16_t y = 0;
    double refreshHz = 0.0;
};

double modeRefresh(const xcb_randr_mode_info_t& m) {
    return modelineRefreshHz(m.dot_clock, m.htotal, m.vtotal,
                             (m.mode_flags & XCB_RANDR_MODE_FLAG_DOUBLE_SCAN) != 0,
                             (m.mode_flags & XCB_RANDR_MODE_FLAG_INTERLACE) != 0);
}

// The centre and refresh rate of the CRTC that shows `display` (or of the first active
// output when none is given).
std::optional<Placement> placementFor(xcb_connection_t* c, xcb_window_t root,
                                      std::optional<DisplayId> display) {
    XcbReply<xcb_randr_get_screen_resources_current_reply_t> res(
        xcb_randr_get_screen_resources_current_reply(
            c, xcb_randr_get_screen_resources_current(c, root), nullptr));
    if (!res) {
        return std::nullopt;
    }
    const xcb_randr_output_t* outputs = xcb_randr_get_screen_resources_current_outputs(res.get());
    const int outputCount = xcb_randr_get_screen_resources_current_outputs_length(res.get());
    const xcb_randr_mode_info_t* modes = xcb_randr_get_screen_resources_current_modes(res.get());
    const int modeCount = xcb_randr_get_screen_resources_current_modes_length(res.get());
    for (int i = 0; i < outputCount; ++i) {
        if (display && outputs[i] != *display) {
            continue;
        }
        XcbReply<xcb_randr_get_output_info_reply_t> out(xcb_randr_get_output_info_reply(
            c, xcb_randr_get_output_info(c, outputs[i], res->config_timestamp), nullptr));
        if (!out || out->connection != XCB_RANDR_CONNECTION_CONNECTED || out->crtc == 0) {
            continue;
        }
        XcbReply<xcb_randr_get_crtc_info_reply_t> crtc(xcb_randr_get_crtc_info_reply(
            c, xcb_randr_get_crtc_info(c, out->crtc, res->config_timestamp), nullptr));
        if (!crtc || crtc->mode == 0) {
            continue;
        }
        Placement p;
        p.x = static_cast<std::int16_t>(crtc->x + crtc->width / 2);
        p.y = static_cast<std::int16_t>(crtc->y + crtc->height / 2);
        for (int m = 0; m < modeCount; ++m) {
            if (modes[m].id == crtc->mode) {
                p.refreshHz = modeRefresh(modes[m]);
            }
        }
        return p;
    }
    return std::nullopt;
}

const xcb_screen_t* screenAt(xcb_connection_t* c, int screenNumber) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem > 0; ++i) {
        xcb_screen_next(&it);
    }
    return it.rem == 0 ? nullptr : it.data;
}

bool hasPresent(xcb_connection_t* c) {
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_present_id);
    return ext != nullptr && ext->present != 0;
}

// Without Present the display cannot say when it refreshes; a timer at its nominal rate
// keeps animation and the meter going, though it cannot see refreshes the display drops.
std::unique_ptr<RefreshLink> timerLinkFor(xcb_connection_t* c, int screenNumber,
                                          std::optional<DisplayId> display,
                                          RefreshCallback onRefresh) {
    const xcb_screen_t* screen = screenAt(c, screenNumber);
    const std::optional<Placement> place =
        screen == nullptr ? std::nullopt : placementFor(c, screen->root, display);
    if (!place) {
        return nullptr;
    }
    std::unique_ptr<RefreshLink> link =
        TimerRefreshLink::start(place->refreshHz, std::move(onRefresh));
    if (link) {
        qCInfo(logDisplay,
               "no Present extension on this display: refreshes are timed at the nominal %.2f Hz",
               place->refreshHz);
    }
    return link;
}

class PresentLink : public RefreshLink {
  public:
    static std::unique_ptr<RefreshLink> open(const QByteArray& displayName,
                                             std::optional<DisplayId> display,
                                             RefreshCallback onRefresh) {
        int screenNumber = 0;
        xcb_connection_t* c =
            xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), &screenNumber);
        if (xcb_connection_has_error(c) != 0) {
            xcb_disconnect(c);
            return nullptr;
        }
        if (!hasPresent(c)) {
            std::unique_ptr<RefreshLink> timer =
                timerLinkFor(c, screenNumber, display, std::move(onRefresh));
            xcb_disconnect(c);
            return timer;
        }
        std::unique_ptr<PresentLink> link(new PresentLink(c, std::move(onRefresh)));
        if (!link->setUp(screenNumber, display)) {
            return nullptr;
        }
        link->thread_ = std::thread([l = link.get()] { l->run(); });
        return link;
    }

    bool followsDisplayClock() const override { return followsDisplayClock_; }

    ~PresentLink() override {
        if (thread_.joinable()) {
            const char byte = 0;
            (void)::write(stopPipe_[1], &byte, 1);
            thread_.join();
        }
        if (special_ != nullptr) {
            xcb_unregister_for_special_event(connection_, special_);
        }
        ::close(stopPipe_[0]);
        ::close(stopPipe_[1]);
        xcb_disconnect(connection_);
    }

  private:
    PresentLink(xcb_connection_t* c, RefreshCallback onRefresh)
        : connection_(c), onRefresh_(std::move(onRefresh)) {
        if (::pipe(stopPipe_) != 0) {
            stopPipe_[0] = stopPipe_[1] = -1;
        }
    }

    bool setUp(int screenNumber, std::optional<DisplayId> display) {
        if (stopPipe_[0] < 0) {
            return false;
        }
        const xcb_screen_t* screen = screenAt(connection_, screenNumber);
        if (screen == nullptr) {
            return false;
        }
        root_ = screen->root;
        display_ = display;
        followsDisplayClock_ = !detectXwayland(connection_, root_);
        const std::optional<Placement> place = placementFor(connection_, root_, display);
        if (!place || place->refreshHz <= 0.0) {
            return false;
        }
        period_ = std::llround(1'000'000.0 / place->refreshHz);

        // Present follows the CRTC under the window; the window itself is never mapped.
        window_ = xcb_generate_id(connection_);
        const std::uint32_t overrideRedirect = 1;
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, root_, place->x, place->y, 1,
                          1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                          XCB_CW_OVERRIDE_REDIRECT, &overrideRedirect);
        // A new mode or layout changes the period and may move the head from under the window.
        const xcb_query_extension_reply_t* randr =
            xcb_get_extension_data(connection_, &xcb_randr_id);
        if (randr != nullptr && randr->present != 0) {
            randrEventBase_ = randr->first_event;
            xcb_randr_select_input(
                connection_, root_,
                XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE);
        }
        const std::uint32_t eventId = xcb_generate_id(connection_);
        xcb_present_select_input(connection_, eventId, window_,
                                 XCB_PRESENT_EVENT_MASK_COMPLETE_NOTIFY);
        special_ = xcb_register_for_special_xge(connection_, &xcb_present_id, eventId, nullptr);
        // A target of 0 completes at once and tells the current counter.
        xcb_present_notify_msc(connection_, window_, 0, 0, 0, 0);
        return xcb_flush(connection_) > 0 && xcb_connection_has_error(connection_) == 0;
    }

    void run() {
        pollfd fds[2] = {{xcb_get_file_descriptor(connection_), POLLIN, 0},
                         {stopPipe_[0], POLLIN, 0}};
        while (true) {
            if (::poll(fds, 2, -1) < 0) {
                continue;
            }
            if ((fds[1].revents & POLLIN) != 0 || xcb_connection_has_error(connection_) != 0) {
                return;
            }
            // Reading ordinary events pulls the socket's data into xcb's queues.
            bool layoutChanged = false;
            while (xcb_generic_event_t* ev = xcb_poll_for_event(connection_)) {
                const int type = ev->response_type & 0x7f;
                layoutChanged =
                    layoutChanged || (randrEventBase_ >= 0 &&
                                      (type == randrEventBase_ + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
                                       type == randrEventBase_ + XCB_RANDR_NOTIFY));
                std::free(ev);
            }
            if (layoutChanged) {
                follow();
            }
            while (xcb_generic_event_t* ev = xcb_poll_for_special_event(connection_, special_)) {
                const auto* done = reinterpret_cast<const xcb_present_complete_notify_event_t*>(ev);
                if (done->kind == XCB_PRESENT_COMPLETE_KIND_NOTIFY_MSC) {
                    handle(done->msc, done->ust);
                }
                std::free(ev);
            }
        }
    }

    // Takes the display's current refresh period and moves the window back over its head.
    void follow() {
        const std::optional<Placement> place = placementFor(connection_, root_, display_);
        if (!place) {
            return;
        }
        if (place->refreshHz > 0.0) {
            period_ = std::llround(1'000'000.0 / place->refreshHz);
        }
        const std::uint32_t position[] = {static_cast<std::uint32_t>(place->x),
                                          static_cast<std::uint32_t>(place->y)};
        xcb_configure_window(connection_, window_, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y,
                             position);
        xcb_flush(connection_);
    }

    void handle(std::uint64_t msc, std::uint64_t ust) {
        if (started_) {
            onRefresh_({static_cast<std::int64_t>(ust), 1'000'000, period_, msc});
        }
        started_ = true;
        xcb_present_notify_msc(connection_, window_, 0, msc + 1, 0, 0);
        xcb_flush(connection_);
    }

    xcb_connection_t* connection_;
    RefreshCallback onRefresh_;
    xcb_window_t window_ = 0;
    xcb_window_t root_ = 0;
    std::optional<DisplayId> display_;
    int randrEventBase_ = -1;
    xcb_special_event_t* special_ = nullptr;
    std::int64_t period_ = 0;
    bool started_ = false;
    bool followsDisplayClock_ = true;
    int stopPipe_[2] = {-1, -1};
    std::thread thread_;
};

}  // namespace

PresentRefreshLinkFactory::PresentRefreshLinkFactory(QByteArray displayName)
    : displayName_(std::move(displayName)) {}

std::unique_ptr<RefreshLink> PresentRefreshLinkFactory::create(std::optional<DisplayId> display,
                                                               RefreshCallback onRefresh) {
    return PresentLink::open(displayName_, display, std::move(onRefresh));
}

}  // namespace lumenor
