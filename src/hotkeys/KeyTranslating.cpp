#include "hotkeys/KeyTranslating.h"

#include <cctype>
#include <mutex>
#include <utility>

#include "hotkeys/KeyboardLayout.h"
#include "hotkeys/ModifierFlags.h"
#include "platform/carbon/InputSources.h"
#include "platform/foundation/SingleInstance.h"

namespace frelt {
namespace {

std::mutex& sharedMutex() {
    static std::mutex m;
    return m;
}

std::shared_ptr<KeyTranslating>& sharedSlot() {
    static std::shared_ptr<KeyTranslating> slot;
    return slot;
}

}  // namespace

std::shared_ptr<KeyTranslating> KeyTranslating::shared() {
    {
        std::lock_guard lock(sharedMutex());
        if (auto& slot = sharedSlot()) return slot;
    }
    return KeyTranslator::shared();
}

void KeyTranslating::setShared(std::shared_ptr<KeyTranslating> translator) {
    {
        std::lock_guard lock(sharedMutex());
        sharedSlot() = std::move(translator);
    }
    // A translator set by one test must not leak into the next: forget it with
    // the other process-wide instances.
    platform::singleinstance::registerReset([] {
        std::shared_ptr<KeyTranslating> old;
        std::lock_guard lock(sharedMutex());
        old.swap(sharedSlot());
    });
}

std::optional<Key> KeyTranslating::keyForTypedKey(std::uint16_t keyCode,
                                                  std::string_view charactersIgnoringModifiers) const {
    if (charactersIgnoringModifiers.size() == 1) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(charactersIgnoringModifiers[0])));
        if (c >= 'a' && c <= 'z')
            if (auto letter = keyFromCharacter(std::string(1, c))) return letter;
    }
    if (auto key = currentKey(keyCode)) return key;
    return keyFromQWERTYKeyCode(keyCode);
}

std::optional<std::uint16_t> QWERTYKeyTranslator::keyCode(Key key) const { return QWERTYKeyCode(key); }

std::optional<Key> QWERTYKeyTranslator::currentKey(std::uint16_t keyCode) const {
    return keyFromQWERTYKeyCode(keyCode);
}

std::optional<std::string> QWERTYKeyTranslator::character(std::uint16_t keyCode, std::int64_t carbonModifiers) const {
    if (auto special = specialKeyFromKeyCode(keyCode)) return std::string(frelt::character(*special));
    if (!keyFromQWERTYKeyCode(keyCode)) return std::nullopt;
    const auto state = (carbonModifiers & carbonmodifiers::shift) ? platform::KeyLayout::shiftState : 0u;
    auto characters = platform::KeyLayout::unitedStates()->translate(keyCode, state);
    if (characters && characters->empty()) return std::nullopt;
    return characters;
}

}  // namespace frelt
