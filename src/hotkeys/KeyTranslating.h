#pragma once
// What key combinations need of the user's keyboard layout: which code types a
// key, which key a code means, and which characters a code types. The shared
// translator is the user's keyboard layout (KeyTranslator, KeyboardLayout.h),
// which answers US without a display; a test may set another.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "hotkeys/Key.h"

namespace frelt {

class KeyTranslating {
public:
    virtual ~KeyTranslating() = default;

    // The key's code in the current keyboard layout, or none.
    virtual std::optional<std::uint16_t> keyCode(Key key) const = 0;
    // The key a code means in the current keyboard layout, or none.
    virtual std::optional<Key> currentKey(std::uint16_t keyCode) const = 0;
    // The characters the code types with a Carbon modifier mask, in the current
    // keyboard layout, else in the current ASCII-capable source; none when
    // neither answers. An empty text is an answer.
    virtual std::optional<std::string> character(std::uint16_t keyCode, std::int64_t carbonModifiers) const = 0;

    // The key a key event means: the one place where a typed key becomes
    // the layout's key. The desktop backend already gives a key that types a
    // Latin letter that letter's code, and says what it types: such a key is
    // that letter, never mapped through the layout a second time (the key
    // printed Z on a German keyboard is z). Every other key is looked up by
    // its place in the current layout, else by its US place.
    std::optional<Key> keyForTypedKey(std::uint16_t keyCode, std::string_view charactersIgnoringModifiers) const;

    // The translator callers use; never null. Setting null restores the
    // keyboard layout.
    static std::shared_ptr<KeyTranslating> shared();
    static void setShared(std::shared_ptr<KeyTranslating> translator);
};

// A US layout from the fixed table: keys keep their QWERTY codes, the labelled
// keys show their label, shift gives the US shifted character; option is
// ignored.
class QWERTYKeyTranslator : public KeyTranslating {
public:
    std::optional<std::uint16_t> keyCode(Key key) const override;
    std::optional<Key> currentKey(std::uint16_t keyCode) const override;
    std::optional<std::string> character(std::uint16_t keyCode, std::int64_t carbonModifiers) const override;
};

}  // namespace frelt
