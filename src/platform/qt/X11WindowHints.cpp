#include "platform/qt/X11WindowHints.h"

#include <QGuiApplication>
#include <QWindow>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include <xcb/xcb.h>

#include "platform/appkit/Window.h"
#include "platform/linux/X11WindowActivation.h"

namespace platform::qt::x11 {

namespace {

using platform::x11::askWindowManager;

constexpr std::uint32_t allDesktopsNumber = 0xFFFFFFFF;
constexpr const char* blankName = " ";
constexpr std::uint32_t stateRemove = 0, stateAdd = 1;
// A request from a normal program (not a pager), EWMH's source indication.
constexpr std::uint32_t sourceProgram = 1;
// The Motif hints: flags, functions, decorations, input mode, status.
constexpr std::uint32_t motifHintsFunctions = 1u << 0;
constexpr std::uint32_t motifFunctionAll = 1u << 0;
constexpr std::uint32_t motifFunctionMove = 1u << 2;

xcb_connection_t* qtX11Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    static std::map<std::pair<xcb_connection_t*, std::string>, xcb_atom_t> known;
    const auto key = std::make_pair(c, std::string(name));
    if (auto it = known.find(key); it != known.end()) return it->second;
    xcb_atom_t found = XCB_ATOM_NONE;
    if (auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr)) {
        found = reply->atom;
        std::free(reply);
    }
    if (found != XCB_ATOM_NONE) known[key] = found;
    return found;
}

// The 32-bit items of a property (atoms or cardinals); none when absent.
std::optional<std::vector<std::uint32_t>> read32(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property,
                                                 xcb_atom_t type) {
    auto* reply = xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, type, 0, 64), nullptr);
    if (!reply) return std::nullopt;
    std::optional<std::vector<std::uint32_t>> items;
    if (reply->type == type && reply->format == 32) {
        const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
        items.emplace(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return items;
}

void write32(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type,
             const std::vector<std::uint32_t>& items) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, 32, std::uint32_t(items.size()), items.data());
}

void writeText(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type, const std::string& text) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, 8, std::uint32_t(text.size()), text.data());
}

xcb_window_t rootOf(xcb_connection_t* c, xcb_window_t w) {
    xcb_window_t root = XCB_WINDOW_NONE;
    if (auto* reply = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr)) {
        root = reply->root;
        std::free(reply);
    }
    return root;
}

// A request to the window manager about `w`.
void ask(xcb_connection_t* c, xcb_window_t w, xcb_atom_t type, const std::array<std::uint32_t, 5>& data) {
    const xcb_window_t root = rootOf(c, w);
    if (root != XCB_WINDOW_NONE) askWindowManager(c, root, w, type, data);
}

struct State {
    const char* name;
    bool WindowHints::*wanted;
};
constexpr State states[] = {{"_NET_WM_STATE_STICKY", &WindowHints::allDesktops},
                            {"_NET_WM_STATE_SKIP_TASKBAR", &WindowHints::skipTaskbar},
                            {"_NET_WM_STATE_SKIP_PAGER", &WindowHints::skipPager}};

void applyStates(xcb_connection_t* c, xcb_window_t w, const WindowHints& old, const WindowHints& hints, bool mapped) {
    const xcb_atom_t netWmState = internAtom(c, "_NET_WM_STATE");
    const xcb_atom_t netWmDesktop = internAtom(c, "_NET_WM_DESKTOP");
    if (mapped) {
        for (const auto& s : states) {
            if (old.*s.wanted != hints.*s.wanted)
                ask(c, w, netWmState, {hints.*s.wanted ? stateAdd : stateRemove, internAtom(c, s.name), 0, sourceProgram, 0});
        }
        if (old.allDesktops != hints.allDesktops) {
            // Back to the desktop in front when it stops being on all.
            std::uint32_t desktop = allDesktopsNumber;
            if (!hints.allDesktops) {
                const auto current = read32(c, rootOf(c, w), internAtom(c, "_NET_CURRENT_DESKTOP"), XCB_ATOM_CARDINAL);
                desktop = current && !current->empty() ? current->front() : 0;
            }
            ask(c, w, netWmDesktop, {desktop, sourceProgram, 0, 0, 0});
        }
        return;
    }
    // Unmapped: Qt adds its own states to what the property holds.
    std::vector<std::uint32_t> atoms = read32(c, w, netWmState, XCB_ATOM_ATOM).value_or(std::vector<std::uint32_t>{});
    const std::vector<std::uint32_t> before = atoms;
    for (const auto& s : states) {
        const xcb_atom_t a = internAtom(c, s.name);
        atoms.erase(std::remove(atoms.begin(), atoms.end(), a), atoms.end());
        if (hints.*s.wanted) atoms.push_back(a);
    }
    if (atoms != before) write32(c, w, netWmState, XCB_ATOM_ATOM, atoms);
    const auto desktop = read32(c, w, netWmDesktop, XCB_ATOM_CARDINAL);
    if (hints.allDesktops) {
        write32(c, w, netWmDesktop, XCB_ATOM_CARDINAL, {allDesktopsNumber});
    } else if (desktop && !desktop->empty() && desktop->front() == allDesktopsNumber) {
        // The window manager then places it on the desktop in front.
        xcb_delete_property(c, w, netWmDesktop);
    }
}

// Takes the move function out of the window's Motif hints (or puts it
// back), on top of what Qt wrote there from the window flags.
void applyMovable(xcb_connection_t* c, xcb_window_t w, bool movable) {
    const xcb_atom_t motif = internAtom(c, "_MOTIF_WM_HINTS");
    std::vector<std::uint32_t> hints = read32(c, w, motif, motif).value_or(std::vector<std::uint32_t>{});
    hints.resize(5, 0);
    const std::vector<std::uint32_t> before = hints;
    std::uint32_t& flags = hints[0];
    std::uint32_t& functions = hints[1];
    if (!(flags & motifHintsFunctions)) {
        if (movable) return;
        flags |= motifHintsFunctions;
        functions = motifFunctionAll;
    }
    // With "all" the bits list the functions taken away.
    const bool listsExclusions = functions & motifFunctionAll;
    if (movable == listsExclusions) functions &= ~motifFunctionMove;
    else functions |= motifFunctionMove;
    if (hints != before) write32(c, w, motif, motif, hints);
}

// Where the window manager reads the window's user time: the window Qt
// keeps for it where the window manager supports one, else the window.
xcb_window_t userTimeWindowOf(xcb_connection_t* c, xcb_window_t w) {
    const auto named = read32(c, w, internAtom(c, "_NET_WM_USER_TIME_WINDOW"), XCB_ATOM_WINDOW);
    return named && !named->empty() && named->front() != XCB_WINDOW_NONE ? named->front() : w;
}

}  // namespace

bool requestActivation(QWindow& window, std::uint32_t userTime) {
    xcb_connection_t* c = qtX11Connection();
    if (!c || !window.handle()) return false;
    const auto w = static_cast<xcb_window_t>(window.winId());
    if (userTime == 0) userTime = platform::x11::serverTime();
    // Read by the window manager when it decides on the focus, at the map
    // (this change reaches the server right behind Qt's map request) and on
    // the request below.
    if (userTime != 0)
        write32(c, userTimeWindowOf(c, w), internAtom(c, "_NET_WM_USER_TIME"), XCB_ATOM_CARDINAL, {userTime});
    ask(c, w, internAtom(c, "_NET_ACTIVE_WINDOW"), {sourceProgram, userTime, XCB_WINDOW_NONE, 0, 0});
    xcb_flush(c);
    return true;
}

WindowHints hintsFor(const WindowProperties& p) {
    WindowHints h;
    h.allDesktops = p.collectionBehavior & collectionbehavior::canJoinAllSpaces;
    // Left out of the window cycle, or a window that only comes and goes:
    // the taskbar and the pager list neither.
    const bool outOfCycle = p.collectionBehavior & (collectionbehavior::transient | collectionbehavior::ignoresCycle);
    h.skipTaskbar = outOfCycle;
    h.skipPager = outOfCycle;
    h.titleShown = p.titleVisible;
    h.movable = p.movable;
    h.title = p.title;
    return h;
}

bool available() { return qtX11Connection() != nullptr; }

void apply(QWindow& window, const WindowHints& old, const WindowHints& hints, bool mapped) {
    xcb_connection_t* c = qtX11Connection();
    if (!c || !window.handle()) return;
    if (mapped && old == hints) return;
    const auto w = static_cast<xcb_window_t>(window.winId());
    applyStates(c, w, old, hints, mapped);
    if (!hints.movable || !old.movable) applyMovable(c, w, hints.movable);
    const xcb_atom_t utf8 = internAtom(c, "UTF8_STRING");
    if (!mapped || old.title != hints.title) {
        const xcb_atom_t role = internAtom(c, "WM_WINDOW_ROLE");
        if (hints.title.empty()) xcb_delete_property(c, w, role);
        else writeText(c, w, role, XCB_ATOM_STRING, hints.title);
    }
    // The decoration shows the window's name: a blank one while the title
    // is hidden (for an empty name some window managers show a placeholder
    // such as "Unnamed Window"; a space shows as nothing everywhere). Qt
    // writes the name when the title changes; a title shown again is
    // written back here.
    if (!hints.titleShown || !old.titleShown) {
        const std::string name = hints.titleShown ? hints.title : blankName;
        writeText(c, w, internAtom(c, "_NET_WM_NAME"), utf8, name);
        writeText(c, w, XCB_ATOM_WM_NAME, utf8, name);
    }
    xcb_flush(c);
}

std::optional<bool> pointerButtonsDown() {
    xcb_connection_t* c = qtX11Connection();
    if (!c) return std::nullopt;
    const xcb_setup_t* setup = xcb_get_setup(c);
    const xcb_screen_iterator_t screen = xcb_setup_roots_iterator(setup);
    if (!screen.rem) return std::nullopt;
    xcb_query_pointer_reply_t* reply = xcb_query_pointer_reply(c, xcb_query_pointer(c, screen.data->root), nullptr);
    if (!reply) return std::nullopt;
    constexpr std::uint16_t buttons = XCB_KEY_BUT_MASK_BUTTON_1 | XCB_KEY_BUT_MASK_BUTTON_2 | XCB_KEY_BUT_MASK_BUTTON_3;
    const bool down = (reply->mask & buttons) != 0;
    std::free(reply);
    return down;
}

}  // namespace platform::qt::x11
