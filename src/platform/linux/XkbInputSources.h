#pragma once
// Keyboard input sources on X11: each layout group of the server's keyboard
// is one source, named after the layouts and variants the keymap was made
// from (the root window's _XKB_RULES_NAMES: "us", "de" with variant
// "nodeadkeys"), and the group in effect is the current one. A source's key
// layout says what each of the kit's key codes types through the X keycode
// it maps to: with shift and with option (the third level, AltGr), read
// through xkbcommon; a dead key types its spacing character.
//
// A switch of the group is a selection change; a new keymap (setxkbmap, a
// new keyboard) re-reads every source and tells about the enabled set and,
// when the current source changed with it, the selection.

#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/carbon/InputSources.h"
#include "platform/linux/X11Connection.h"

namespace platform::x11 {

class XkbInputSourceService : public InputSourceService,
                              public std::enable_shared_from_this<XkbInputSourceService> {
    struct Private {};

public:
    // Null when the server lacks the keyboard extension.
    static std::shared_ptr<XkbInputSourceService> make(std::shared_ptr<X11Connection> connection);
    XkbInputSourceService(Private, std::shared_ptr<X11Connection> connection, std::int32_t device);
    ~XkbInputSourceService() override;

    InputSourceRef currentKeyboardLayoutInputSource() const override;
    InputSourceRef currentASCIICapableKeyboardInputSource() const override;
    std::optional<std::vector<InputSourceRef>> enabledInputSources() const override { return sources_; }

    // What a group of a keymap types, by the kit's key codes.
    static std::shared_ptr<const KeyLayout> keyLayout(xkb_keymap* keymap, xkb_layout_index_t group);
    // The spacing character a dead key stands for; empty for other keys.
    static std::string spacingCharacterOfDeadKey(xkb_keysym_t keysym);

private:
    // Reads the keymap and its sources again; false when the server fails.
    bool readKeymap();
    void reloadSoon();
    void reload();
    void handleEvent(const xcb_generic_event_t& event);
    std::vector<std::string> rulesNames();

    const std::shared_ptr<X11Connection> connection_;
    const std::int32_t device_;
    xkb_context* const context_;
    std::vector<InputSourceRef> sources_;
    xcb_atom_t rulesNamesAtom_ = XCB_ATOM_NONE;
    std::size_t currentGroup_ = 0;
    bool reloadPending_ = false;
    Subscription events_;
};

}  // namespace platform::x11
