// A test program: one plain X window with the class given on its command
// line (instance, class) and nothing else, no _NET_WM_PID, no startup id, as
// old programs and some toolkits show themselves. It lives until its X
// server goes away or it is told to stop.

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s INSTANCE CLASS\n", argv[0]);
        return 2;
    }
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "%s: no X display\n", argv[0]);
        return 1;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 120, 80, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, 0, nullptr);
    const std::string classes = std::string(argv[1]) + '\0' + argv[2] + '\0';
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        static_cast<std::uint32_t>(classes.size()), classes.data());
    xcb_map_window(c, w);
    xcb_flush(c);
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) std::free(event);
    xcb_disconnect(c);
    return 0;
}
