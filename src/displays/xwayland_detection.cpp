#include "displays/xwayland_detection.h"

#include <QByteArray>

#include <atomic>
#include <cstring>

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include "core/log.h"
#include "displays/xcb_reply.h"

namespace lumenor {

namespace {

bool hasExtension(xcb_connection_t* c, const char* name) {
    const XcbReply<xcb_query_extension_reply_t> reply(xcb_query_extension_reply(
        c, xcb_query_extension(c, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return reply && reply->present != 0;
}

// The atom of `name` where the server knows one; 0 otherwise.
xcb_atom_t existingAtom(xcb_connection_t* c, const char* name) {
    const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

bool emulationMarked(xcb_connection_t* c, xcb_randr_output_t output, xcb_atom_t emulation) {
    if (emulation == XCB_ATOM_NONE) {
        return false;
    }
    const XcbReply<xcb_randr_get_output_property_reply_t> reply(xcb_randr_get_output_property_reply(
        c, xcb_randr_get_output_property(c, output, emulation, XCB_ATOM_ANY, 0, 1, 0, 0), nullptr));
    if (!reply || reply->format != 32 || reply->num_items < 1) {
        return false;
    }
    std::uint32_t value = 0;
    std::memcpy(&value, xcb_randr_get_output_property_data(reply.get()), sizeof value);
    return value != 0;
}

// How the outputs give Xwayland away, or null.
const char* outputsClue(xcb_connection_t* c, xcb_window_t root) {
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(c, &xcb_randr_id);
    if (randr == nullptr || randr->present == 0) {
        return nullptr;
    }
    const XcbReply<xcb_randr_get_screen_resources_current_reply_t> res(
        xcb_randr_get_screen_resources_current_reply(
            c, xcb_randr_get_screen_resources_current(c, root), nullptr));
    if (!res) {
        return nullptr;
    }
    const xcb_atom_t emulation = existingAtom(c, "RANDR Emulation");
    const xcb_randr_output_t* outputs = xcb_randr_get_screen_resources_current_outputs(res.get());
    const int count = xcb_randr_get_screen_resources_current_outputs_length(res.get());
    for (int i = 0; i < count; ++i) {
        const XcbReply<xcb_randr_get_output_info_reply_t> out(xcb_randr_get_output_info_reply(
            c, xcb_randr_get_output_info(c, outputs[i], res->config_timestamp), nullptr));
        if (!out) {
            continue;
        }
        const QByteArray name(
            reinterpret_cast<const char*>(xcb_randr_get_output_info_name(out.get())),
            xcb_randr_get_output_info_name_length(out.get()));
        if (name.startsWith("XWAYLAND")) {
            return "its outputs are named XWAYLAND";
        }
        if (emulationMarked(c, outputs[i], emulation)) {
            return "its outputs carry RandR emulation";
        }
    }
    return nullptr;
}

void logOnce(bool xwayland, const char* clue) {
    static std::atomic<bool> logged{false};
    if (logged.exchange(true)) {
        return;
    }
    if (xwayland) {
        qCInfo(logDisplay,
               "the X server is Xwayland (%s): a Wayland desktop, where display modes are not "
               "changed from here and refresh timing is not the display's",
               clue);
    } else {
        qCDebug(logDisplay, "the X server is not Xwayland");
    }
}

}  // namespace

bool detectXwayland(xcb_connection_t* connection, std::uint32_t root) {
    const char* clue = hasExtension(connection, "XWAYLAND") ? "it has the XWAYLAND extension"
                                                            : outputsClue(connection, root);
    logOnce(clue != nullptr, clue);
    return clue != nullptr;
}

}  // namespace lumenor
