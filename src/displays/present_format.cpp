#include "displays/present_format.h"

#include <algorithm>
#include <tuple>

#include <QSysInfo>

namespace lumenor {

namespace {

// Our frames are 32-bit words in this machine's byte order; the server must take pixmaps of the
// window's depth as 32-bit little-endian words, as every x86 and ARM server does.
bool hasWordLayout(xcb_connection_t* c, std::uint8_t depth) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST ||
        QSysInfo::ByteOrder != QSysInfo::LittleEndian) {
        return false;
    }
    const xcb_format_t* formats = xcb_setup_pixmap_formats(setup);
    const int count = xcb_setup_pixmap_formats_length(setup);
    return std::any_of(formats, formats + count, [depth](const xcb_format_t& f) {
        return f.depth == depth && f.bits_per_pixel == 32 && f.scanline_pad == 32;
    });
}

const xcb_visualtype_t* findVisual(xcb_connection_t* c, xcb_visualid_t id) {
    for (auto screen = xcb_setup_roots_iterator(xcb_get_setup(c)); screen.rem != 0;
         xcb_screen_next(&screen)) {
        for (auto depth = xcb_screen_allowed_depths_iterator(screen.data); depth.rem != 0;
             xcb_depth_next(&depth)) {
            for (auto visual = xcb_depth_visuals_iterator(depth.data); visual.rem != 0;
                 xcb_visualtype_next(&visual)) {
                if (visual.data->visual_id == id) {
                    return visual.data;
                }
            }
        }
    }
    return nullptr;
}

// The frame layout that fills a window of this depth and visual exactly: RGB32 at depth 24,
// RGB30 at depth 30 with red in the high bits; none for any other.
std::optional<QImage::Format> frameFormat(std::uint8_t depth, const xcb_visualtype_t* visual) {
    if (visual == nullptr) {
        return std::nullopt;
    }
    const auto masks = std::tuple{visual->red_mask, visual->green_mask, visual->blue_mask};
    if (depth == 24 && masks == std::tuple{0xff0000u, 0xff00u, 0xffu}) {
        return QImage::Format_RGB32;
    }
    if (depth == 30 && masks == std::tuple{0x3ff00000u, 0xffc00u, 0x3ffu}) {
        return QImage::Format_RGB30;
    }
    return std::nullopt;
}

}  // namespace

std::optional<QImage::Format> presentFrameFormat(xcb_connection_t* c, std::uint8_t depth,
                                                 xcb_visualid_t visual) {
    const std::optional<QImage::Format> format = frameFormat(depth, findVisual(c, visual));
    return format && hasWordLayout(c, depth) ? format : std::nullopt;
}

}  // namespace lumenor
