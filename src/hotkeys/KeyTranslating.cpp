#include "hotkeys/KeyTranslating.h"

#include <map>
#include <mutex>
#include <utility>

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

constexpr std::int64_t carbonShift = 0x200;

// What each code types on a US keyboard, unshifted and shifted.
const std::map<Key, std::pair<std::string, std::string>>& usCharacters() {
    static const std::map<Key, std::pair<std::string, std::string>> table = [] {
        std::map<Key, std::pair<std::string, std::string>> t;
        for (const Key key : allKeys()) {
            if (isLetterKey(key)) {
                const char letter = rawValue(key)[0];
                t[key] = {std::string(1, letter), std::string(1, static_cast<char>(letter - 'a' + 'A'))};
            }
        }
        const std::pair<Key, std::pair<const char*, const char*>> others[] = {
            {Key::one, {"1", "!"}}, {Key::two, {"2", "@"}}, {Key::three, {"3", "#"}},
            {Key::four, {"4", "$"}}, {Key::five, {"5", "%"}}, {Key::six, {"6", "^"}},
            {Key::seven, {"7", "&"}}, {Key::eight, {"8", "*"}}, {Key::nine, {"9", "("}},
            {Key::zero, {"0", ")"}}, {Key::minus, {"-", "_"}}, {Key::equal, {"=", "+"}},
            {Key::leftBracket, {"[", "{"}}, {Key::rightBracket, {"]", "}"}},
            {Key::backslash, {"\\", "|"}}, {Key::semicolon, {";", ":"}}, {Key::quote, {"'", "\""}},
            {Key::comma, {",", "<"}}, {Key::period, {".", ">"}}, {Key::slash, {"/", "?"}},
            {Key::grave, {"`", "~"}}, {Key::section, {"\u00A7", "\u00B1"}},
            {Key::keypadDecimal, {".", "."}}, {Key::keypadMultiply, {"*", "*"}},
            {Key::keypadPlus, {"+", "+"}}, {Key::keypadDivide, {"/", "/"}},
            {Key::keypadMinus, {"-", "-"}}, {Key::keypadEquals, {"=", "="}},
            {Key::keypadZero, {"0", "0"}}, {Key::keypadOne, {"1", "1"}}, {Key::keypadTwo, {"2", "2"}},
            {Key::keypadThree, {"3", "3"}}, {Key::keypadFour, {"4", "4"}}, {Key::keypadFive, {"5", "5"}},
            {Key::keypadSix, {"6", "6"}}, {Key::keypadSeven, {"7", "7"}}, {Key::keypadEight, {"8", "8"}},
            {Key::keypadNine, {"9", "9"}}, {Key::yen, {"\u00A5", "\u00A5"}},
            {Key::underscore, {"_", "_"}}, {Key::keypadComma, {",", ","}},
        };
        for (const auto& [key, texts] : others) t[key] = {texts.first, texts.second};
        return t;
    }();
    return table;
}

}  // namespace

std::shared_ptr<KeyTranslating> KeyTranslating::shared() {
    std::lock_guard lock(sharedMutex());
    auto& slot = sharedSlot();
    if (!slot) slot = std::make_shared<QWERTYKeyTranslator>();
    return slot;
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

std::optional<std::uint16_t> QWERTYKeyTranslator::keyCode(Key key) const { return QWERTYKeyCode(key); }

std::optional<Key> QWERTYKeyTranslator::currentKey(std::uint16_t keyCode) const {
    return keyFromQWERTYKeyCode(keyCode);
}

std::optional<std::string> QWERTYKeyTranslator::character(std::uint16_t keyCode, std::int64_t carbonModifiers) const {
    if (auto special = specialKeyFromKeyCode(keyCode)) return std::string(frelt::character(*special));
    const auto key = keyFromQWERTYKeyCode(keyCode);
    if (!key) return std::nullopt;
    const auto& table = usCharacters();
    const auto found = table.find(*key);
    if (found == table.end()) return std::nullopt;
    return (carbonModifiers & carbonShift) ? found->second.second : found->second.first;
}

}  // namespace frelt
