#pragma once
// A key combination: one physical key with modifiers, or a double tap of one
// single modifier. Every hotkey of the program is one. Combinations are
// immutable and shared by reference between the entries, tags or settings that
// store them and the registrations that use them.

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "hotkeys/Key.h"
#include "hotkeys/ModifierFlags.h"
#include "platform/appkit/Event.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Value.h"

namespace frelt {

class KeyCombo : public platform::Coding {
    struct Private {};

public:
    using Ptr = std::shared_ptr<KeyCombo>;

    // Thrown by the structured decoding when a stored key code names no key.
    struct InitializeError : std::exception {
        const char* what() const noexcept override { return "KeyCombo.InitializeError"; }
    };

    enum class CodingKeys { key, keyCode, QWERTYKeyCode, modifiers, doubledModifiers };

    // Each constructor answers null when the arguments make no combination.
    // A plain key needs a modifier; a function key F1 to F20 stands alone.
    static Ptr make(Key key, ModifierFlags cocoaModifiers);
    static Ptr makeWithCarbonModifiers(Key key, std::int64_t carbonModifiers);
    static Ptr make(std::int64_t QWERTYKeyCode, ModifierFlags cocoaModifiers);
    static Ptr makeWithCarbonModifiers(std::int64_t QWERTYKeyCode, std::int64_t carbonModifiers);
    // A double tap needs exactly one of command, option, control and shift.
    static Ptr makeDoubled(ModifierFlags cocoaModifiers);
    static Ptr makeDoubledWithCarbonModifiers(std::int64_t carbonModifiers);
    // From a key-down, key-up or flags-changed event (types 10, 11, 12); the
    // code is read through the current keyboard layout first.
    static Ptr makeFromEvent(std::int64_t eventType, std::uint16_t keyCode, ModifierFlags modifierFlags);
    static Ptr makeFromEvent(const platform::Event& event);

    KeyCombo(Private, Key key, std::int64_t modifiers, bool doubledModifiers)
        : key_(key), modifiers_(modifiers), doubledModifiers_(doubledModifiers) {}

    Key key() const { return key_; }
    // The stored mask, with the function flag for F1 to F20.
    std::int64_t modifiers() const { return modifiers_; }
    bool doubledModifiers() const { return doubledModifiers_; }

    // A combination with the same fields. Copying never re-validates, so a
    // stored combination that today's rules would refuse copies as it is.
    Ptr copy() const;

    // Same key (by raw value), same mask, same double-tap flag.
    bool isEqual(const KeyCombo& other) const;
    bool operator==(const KeyCombo& other) const { return isEqual(other); }

    ModifierFlags cocoaModifiers() const;
    // The key's text in the current layout; shift counts for letters only.
    // Empty for a double tap.
    std::string characters() const;
    // Like characters, with the whole mask for every key.
    std::string keyEquivalent() const;
    // The modifiers in the desktop's words and order: "Shift+Ctrl".
    std::string keyEquivalentModifierString() const;
    std::uint16_t QWERTYKeyCode() const;
    // The code in the current layout, else the QWERTY code; 0 for a double tap.
    std::uint16_t keyCode() const;
    // The key's name as the desktop prints it: "K", "Space", "F5", "PgUp";
    // empty for a double tap.
    std::string keyDisplayString() const;
    // What the user reads: "Shift+Ctrl+K", "Ctrl+Alt+Space", "F5" alone,
    // "double Alt" for a double tap.
    std::string displayString() const;

    // Keyed archives ("frelt.KeyCombo"): "key" as the key's raw value,
    // "modifiers" and "doubledModifiers". Reading takes whatever mask the
    // archive holds and falls back to the integer "keyCode", then
    // "QWERTYKeyCode" of older archives when there is no "key"; an archive
    // that names no key gives null.
    static constexpr const char* archiveClassName = "frelt.KeyCombo";
    std::string className() const override { return archiveClassName; }
    void encodeWithCoder(platform::KeyedArchiver& coder) const override;
    static Ptr initWithCoder(platform::KeyedUnarchiver& coder);
    // Makes archives find the decoder; done once at start-up, harmless again.
    static void registerCoding();

    // The structured form: "key" (the key's raw value), "modifiers",
    // "doubledModifiers". Decoding reads the older "keyCode" and
    // "QWERTYKeyCode" in place of "key"; it throws DecodingError for a missing
    // or mistyped value and InitializeError for a code of no key.
    platform::Value encode() const;
    static Ptr decode(const platform::Value& encoded);

private:
    static Ptr makeFields(Key key, std::int64_t modifiers, bool doubled);

    Key key_;
    std::int64_t modifiers_;
    bool doubledModifiers_;
};

std::string_view rawValue(KeyCombo::CodingKeys key);
std::optional<KeyCombo::CodingKeys> codingKeyFromRawValue(std::string_view rawValue);

// Equality of optional combinations: both absent, or both present and equal.
bool sameKeyCombo(const KeyCombo::Ptr& a, const KeyCombo::Ptr& b);

}  // namespace frelt
