// Another application on a Wayland desktop that starts programs the way a launcher does: a
// small window of its own, which the compositor gives the keyboard. On the first key pressed in
// it, it asks the compositor for an activation token backed by that key press and prints the
// token on a line of its own; it stays, window and all, until its standard input closes.
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include <wayland-client.h>

#include "xdg-activation-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace {

constexpr int kSize = 64;

struct Client {
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    wl_seat* seat = nullptr;
    xdg_wm_base* shell = nullptr;
    xdg_activation_v1* activation = nullptr;
    wl_surface* surface = nullptr;
    bool asked = false;
};

void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    auto* c = static_cast<Client*>(data);
    if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
        c->compositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, 4));
    } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
        c->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0) {
        c->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0) {
        c->shell =
            static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
    } else if (std::strcmp(interface, xdg_activation_v1_interface.name) == 0) {
        c->activation = static_cast<xdg_activation_v1*>(
            wl_registry_bind(registry, name, &xdg_activation_v1_interface, 1));
    }
}
void globalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistry{global, globalRemove};

void ping(void*, xdg_wm_base* shell, uint32_t serial) {
    xdg_wm_base_pong(shell, serial);
}
const xdg_wm_base_listener kShell{ping};

// A grey square, drawn once the compositor has said how it wants the window.
void configure(void* data, xdg_surface* xdg, uint32_t serial) {
    auto* c = static_cast<Client*>(data);
    xdg_surface_ack_configure(xdg, serial);
    const int stride = kSize * 4;
    const int fd = memfd_create("square", 0);
    if (fd < 0 || ftruncate(fd, stride * kSize) != 0) {
        return;
    }
    void* pixels = mmap(nullptr, stride * kSize, PROT_WRITE, MAP_SHARED, fd, 0);
    std::memset(pixels, 0x80, stride * kSize);
    munmap(pixels, stride * kSize);
    wl_shm_pool* pool = wl_shm_create_pool(c->shm, fd, stride * kSize);
    wl_buffer* buffer =
        wl_shm_pool_create_buffer(pool, 0, kSize, kSize, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    wl_surface_attach(c->surface, buffer, 0, 0);
    wl_surface_commit(c->surface);
}
const xdg_surface_listener kSurface{configure};

void toplevelConfigure(void*, xdg_toplevel*, int32_t, int32_t, wl_array*) {}
void toplevelClose(void*, xdg_toplevel*) {}
const xdg_toplevel_listener kToplevel{.configure = toplevelConfigure, .close = toplevelClose};

void tokenDone(void*, xdg_activation_token_v1*, const char* token) {
    std::printf("%s\n", token);
    std::fflush(stdout);
}
const xdg_activation_token_v1_listener kToken{tokenDone};

void keymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) {
    close(fd);
}
void enter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void leave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void key(void* data, wl_keyboard*, uint32_t serial, uint32_t, uint32_t, uint32_t state) {
    auto* c = static_cast<Client*>(data);
    if (state != WL_KEYBOARD_KEY_STATE_PRESSED || c->asked) {
        return;
    }
    c->asked = true;
    xdg_activation_token_v1* token = xdg_activation_v1_get_activation_token(c->activation);
    xdg_activation_token_v1_add_listener(token, &kToken, c);
    xdg_activation_token_v1_set_serial(token, serial, c->seat);
    xdg_activation_token_v1_set_surface(token, c->surface);
    xdg_activation_token_v1_commit(token);
}
void modifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
const wl_keyboard_listener kKeyboard{
    .keymap = keymap, .enter = enter, .leave = leave, .key = key, .modifiers = modifiers};

}  // namespace

int main() {
    Client c;
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "no Wayland display\n");
        return 1;
    }
    wl_registry_add_listener(wl_display_get_registry(display), &kRegistry, &c);
    wl_display_roundtrip(display);
    if (!c.compositor || !c.shm || !c.seat || !c.shell || !c.activation) {
        std::fprintf(stderr, "the compositor lacks what a launcher needs\n");
        return 1;
    }
    xdg_wm_base_add_listener(c.shell, &kShell, &c);
    wl_keyboard_add_listener(wl_seat_get_keyboard(c.seat), &kKeyboard, &c);
    c.surface = wl_compositor_create_surface(c.compositor);
    xdg_surface* xdg = xdg_wm_base_get_xdg_surface(c.shell, c.surface);
    xdg_surface_add_listener(xdg, &kSurface, &c);
    xdg_toplevel* toplevel = xdg_surface_get_toplevel(xdg);
    xdg_toplevel_add_listener(toplevel, &kToplevel, &c);
    xdg_toplevel_set_title(toplevel, "launcher");
    wl_surface_commit(c.surface);

    pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    while (wl_display_flush(display) >= 0 && poll(fds, 2, -1) >= 0) {
        if (fds[1].revents != 0) {
            char buffer[64];
            if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
                break;
            }
        }
        if ((fds[0].revents & POLLIN) != 0 && wl_display_dispatch(display) < 0) {
            break;
        }
    }
    wl_display_disconnect(display);
    return 0;
}
