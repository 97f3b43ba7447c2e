#pragma once
// Physical keys named by their position on a US (QWERTY) keyboard, with the
// virtual key code each position reports. Hotkeys store a Key; registrations
// and key events speak in key codes. Which character a key types under the
// user's layout is the key translator's business (KeyTranslating.h).

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/foundation/Value.h"

namespace platform {
class MenuItem;
}

namespace frelt {

// Declaration order matters: looking a key code up answers the first case that
// has it, so the JIS keys that share a code with a US key come last.
enum class Key : std::uint8_t {
    a, s, d, f, h, g, z, x, c, v, b, q, w, e, r, y, t,
    one, two, three, four, six, five, equal, nine, seven, minus, eight, zero,
    rightBracket, o, u, leftBracket, i, p, l, j, quote, k, semicolon, backslash, comma, slash,
    n, m, period, grave,
    keypadDecimal, keypadMultiply, keypadPlus, keypadClear, keypadDivide, keypadEnter, keypadMinus,
    keypadEquals, keypadZero, keypadOne, keypadTwo, keypadThree, keypadFour, keypadFive, keypadSix,
    keypadSeven, keypadEight, keypadNine,
    return_, tab, space, delete_, escape,
    f17, f18, f19, f20, f5, f6, f7, f3, f8, f9, f11, f13, f16, f14, f10, f12, f15,
    help, home, pageUp, forwardDelete, f4, end, f2, pageDown, f1,
    leftArrow, rightArrow, downArrow, upArrow,
    yen, underscore, keypadComma, eisu, kana, atSign, caret, colon, section,
};

inline constexpr std::size_t keyCaseCount = 109;

// Every case in declaration order.
const std::array<Key, keyCaseCount>& allKeys();

// The persistent form: the case name ("rightBracket", "return").
std::string_view rawValue(Key key);
// Exact match of a case name, letter case included.
std::optional<Key> keyFromRawValue(std::string_view rawValue);

// The fixed US key code of the key's position.
std::uint16_t QWERTYKeyCode(Key key);
// The first case with that code; codes of no key (and negatives) give none.
std::optional<Key> keyFromQWERTYKeyCode(std::int64_t keyCode);

// The key a text names or types: case names in any letter case (except the
// JIS keys), the key's character, or its display glyph. A key code, when
// given, tells a main key from its keypad twin ("1" with code 83 is keypadOne).
std::optional<Key> keyFromCharacter(std::string_view text, std::optional<std::int64_t> virtualKeyCode = std::nullopt);

// The key of a menu item's shortcut: the user's equivalent when set, else the
// item's own, parsed without a key code.
std::optional<Key> keyForMenuItem(std::string_view userKeyEquivalent, std::string_view keyEquivalent);
// The kit's menu items have no user equivalent of their own: their key
// equivalent decides.
std::optional<Key> keyForMenuItem(const platform::MenuItem& item);

bool isFunctionKey(Key key);  // f1 to f20
bool isLetterKey(Key key);    // the 26 letters

// The 39 keys shown by a fixed label instead of the character they type.
enum class SpecialKey : std::uint8_t {
    return_, tab, space, delete_, escape,
    f17, f18, f19, f20, f5, f6, f7, f3, f8, f9, f11, f13, f16, f14, f10, f12, f15,
    help, home, pageUp, forwardDelete, f4, end, f2, pageDown, f1,
    leftArrow, rightArrow, downArrow, upArrow,
    eisu, kana, keypadClear, keypadEnter,
};

inline constexpr std::size_t specialKeyCaseCount = 39;

std::optional<SpecialKey> specialKeyFromKeyCode(std::int64_t keyCode);
std::uint16_t keyCode(SpecialKey key);
// The label: a glyph ("↩"), "Space", "F1" to "F20", "英数" or "かな".
std::string_view character(SpecialKey key);

// The name this desktop prints for a key that types no character of its own
// ("Return", "Backspace", "PgUp", "Left", "F5"), as in "Ctrl+Alt+Return";
// none for the keys that show what they type.
std::optional<std::string_view> displayName(Key key);

// Raised when an encoded value cannot be read back: a missing key, a value of
// the wrong kind, or data that names nothing (a key name of no case).
class DecodingError : public std::runtime_error {
public:
    enum class Kind { keyNotFound, typeMismatch, dataCorrupted };
    DecodingError(Kind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// The structured form of a key is its raw value as a single text. Decoding
// anything but a text throws a type-mismatch error, a text that names no case
// a data-corrupted one.
platform::Value encodeKey(Key key);
Key decodeKey(const platform::Value& encoded);

}  // namespace frelt
