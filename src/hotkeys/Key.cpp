#include "hotkeys/Key.h"

#include <array>
#include <vector>

#include "platform/appkit/Menu.h"
#include "platform/foundation/Text.h"

namespace frelt {
namespace {

// When a parsed text counts for a key: always, only without the given code
// (the main key whose keypad twin has that code), or only with it.
enum class When { always, unlessCode, onlyWithCode };

struct Alias {
    const char* text;
    When when = When::always;
    int code = -1;
};

struct KeyRow {
    Key key;
    const char* name;
    std::uint16_t code;
    const char* display;  // the fixed label of the special keys, else null
    bool nameAccepted;
    When nameWhen;        // the condition the name shares with the character
    int nameCode;
    std::vector<Alias> aliases;
};

const std::vector<KeyRow>& table() {
    using enum When;
    static const std::vector<KeyRow> rows = {
        {Key::a, "a", 0, nullptr, true, always, -1, {}},
        {Key::s, "s", 1, nullptr, true, always, -1, {}},
        {Key::d, "d", 2, nullptr, true, always, -1, {}},
        {Key::f, "f", 3, nullptr, true, always, -1, {}},
        {Key::h, "h", 4, nullptr, true, always, -1, {}},
        {Key::g, "g", 5, nullptr, true, always, -1, {}},
        {Key::z, "z", 6, nullptr, true, always, -1, {}},
        {Key::x, "x", 7, nullptr, true, always, -1, {}},
        {Key::c, "c", 8, nullptr, true, always, -1, {}},
        {Key::v, "v", 9, nullptr, true, always, -1, {}},
        {Key::b, "b", 11, nullptr, true, always, -1, {}},
        {Key::q, "q", 12, nullptr, true, always, -1, {}},
        {Key::w, "w", 13, nullptr, true, always, -1, {}},
        {Key::e, "e", 14, nullptr, true, always, -1, {}},
        {Key::r, "r", 15, nullptr, true, always, -1, {}},
        {Key::y, "y", 16, nullptr, true, always, -1, {}},
        {Key::t, "t", 17, nullptr, true, always, -1, {}},
        {Key::one, "one", 18, nullptr, true, unlessCode, 83, {{"1", unlessCode, 83}}},
        {Key::two, "two", 19, nullptr, true, unlessCode, 84, {{"2", unlessCode, 84}}},
        {Key::three, "three", 20, nullptr, true, unlessCode, 85, {{"3", unlessCode, 85}}},
        {Key::four, "four", 21, nullptr, true, unlessCode, 86, {{"4", unlessCode, 86}}},
        {Key::six, "six", 22, nullptr, true, unlessCode, 88, {{"6", unlessCode, 88}}},
        {Key::five, "five", 23, nullptr, true, unlessCode, 87, {{"5", unlessCode, 87}}},
        {Key::equal, "equal", 24, nullptr, true, unlessCode, 81, {{"=", unlessCode, 81}}},
        {Key::nine, "nine", 25, nullptr, true, unlessCode, 92, {{"9", unlessCode, 92}}},
        {Key::seven, "seven", 26, nullptr, true, unlessCode, 89, {{"7", unlessCode, 89}}},
        {Key::minus, "minus", 27, nullptr, true, unlessCode, 78, {{"-", unlessCode, 78}}},
        {Key::eight, "eight", 28, nullptr, true, unlessCode, 91, {{"8", unlessCode, 91}}},
        {Key::zero, "zero", 29, nullptr, true, unlessCode, 82, {{"0", unlessCode, 82}}},
        {Key::rightBracket, "rightBracket", 30, nullptr, true, always, -1, {{"]"}}},
        {Key::o, "o", 31, nullptr, true, always, -1, {}},
        {Key::u, "u", 32, nullptr, true, always, -1, {}},
        {Key::leftBracket, "leftBracket", 33, nullptr, true, always, -1, {{"["}}},
        {Key::i, "i", 34, nullptr, true, always, -1, {}},
        {Key::p, "p", 35, nullptr, true, always, -1, {}},
        {Key::l, "l", 37, nullptr, true, always, -1, {}},
        {Key::j, "j", 38, nullptr, true, always, -1, {}},
        {Key::quote, "quote", 39, nullptr, true, always, -1, {{"'"}}},
        {Key::k, "k", 40, nullptr, true, always, -1, {}},
        {Key::semicolon, "semicolon", 41, nullptr, true, always, -1, {{";"}}},
        {Key::backslash, "backslash", 42, nullptr, true, always, -1, {{"\\"}}},
        {Key::comma, "comma", 43, nullptr, true, always, -1, {{",", unlessCode, 95}}},
        {Key::slash, "slash", 44, nullptr, true, unlessCode, 75, {{"/", unlessCode, 75}}},
        {Key::n, "n", 45, nullptr, true, always, -1, {}},
        {Key::m, "m", 46, nullptr, true, always, -1, {}},
        {Key::period, "period", 47, nullptr, true, always, -1, {{".", unlessCode, 65}}},
        {Key::grave, "grave", 50, nullptr, true, always, -1, {{"`"}}},
        {Key::keypadDecimal, "keypadDecimal", 65, nullptr, true, always, -1, {{".", onlyWithCode, 65}}},
        {Key::keypadMultiply, "keypadMultiply", 67, nullptr, true, always, -1, {{"*"}}},
        {Key::keypadPlus, "keypadPlus", 69, nullptr, true, always, -1, {{"+"}}},
        {Key::keypadClear, "keypadClear", 71, "\u2327", true, always, -1, {}},
        {Key::keypadDivide, "keypadDivide", 75, nullptr, true, always, -1, {{"/", onlyWithCode, 75}}},
        {Key::keypadEnter, "keypadEnter", 76, "\u2305", true, always, -1, {}},
        {Key::keypadMinus, "keypadMinus", 78, nullptr, true, always, -1, {{"-", onlyWithCode, 78}}},
        {Key::keypadEquals, "keypadEquals", 81, nullptr, true, always, -1, {{"=", onlyWithCode, 81}}},
        {Key::keypadZero, "keypadZero", 82, nullptr, true, always, -1, {{"keypad0"}, {"0", onlyWithCode, 82}}},
        {Key::keypadOne, "keypadOne", 83, nullptr, true, always, -1, {{"keypad1"}, {"1", onlyWithCode, 83}}},
        {Key::keypadTwo, "keypadTwo", 84, nullptr, true, always, -1, {{"keypad2"}, {"2", onlyWithCode, 84}}},
        {Key::keypadThree, "keypadThree", 85, nullptr, true, always, -1, {{"keypad3"}, {"3", onlyWithCode, 85}}},
        {Key::keypadFour, "keypadFour", 86, nullptr, true, always, -1, {{"keypad4"}, {"4", onlyWithCode, 86}}},
        {Key::keypadFive, "keypadFive", 87, nullptr, true, always, -1, {{"keypad5"}, {"5", onlyWithCode, 87}}},
        {Key::keypadSix, "keypadSix", 88, nullptr, true, always, -1, {{"keypad6"}, {"6", onlyWithCode, 88}}},
        {Key::keypadSeven, "keypadSeven", 89, nullptr, true, always, -1, {{"keypad7"}, {"7", onlyWithCode, 89}}},
        {Key::keypadEight, "keypadEight", 91, nullptr, true, always, -1, {{"keypad8"}, {"8", onlyWithCode, 91}}},
        {Key::keypadNine, "keypadNine", 92, nullptr, true, always, -1, {{"keypad9"}, {"9", onlyWithCode, 92}}},
        {Key::return_, "return", 36, "\u21A9", true, always, -1, {{"\r"}, {"\n"}}},
        {Key::tab, "tab", 48, "\u21E5", true, always, -1, {}},
        {Key::space, "space", 49, "Space", true, always, -1, {}},
        {Key::delete_, "delete", 51, "\u232B", true, always, -1, {}},
        {Key::escape, "escape", 53, "\u238B", true, always, -1, {}},
        {Key::f17, "f17", 64, "F17", true, always, -1, {}},
        {Key::f18, "f18", 79, "F18", true, always, -1, {}},
        {Key::f19, "f19", 80, "F19", true, always, -1, {}},
        {Key::f20, "f20", 90, "F20", true, always, -1, {}},
        {Key::f5, "f5", 96, "F5", true, always, -1, {}},
        {Key::f6, "f6", 97, "F6", true, always, -1, {}},
        {Key::f7, "f7", 98, "F7", true, always, -1, {}},
        {Key::f3, "f3", 99, "F3", true, always, -1, {}},
        {Key::f8, "f8", 100, "F8", true, always, -1, {}},
        {Key::f9, "f9", 101, "F9", true, always, -1, {}},
        {Key::f11, "f11", 103, "F11", true, always, -1, {}},
        {Key::f13, "f13", 105, "F13", true, always, -1, {}},
        {Key::f16, "f16", 106, "F16", true, always, -1, {}},
        {Key::f14, "f14", 107, "F14", true, always, -1, {}},
        {Key::f10, "f10", 109, "F10", true, always, -1, {}},
        {Key::f12, "f12", 111, "F12", true, always, -1, {}},
        {Key::f15, "f15", 113, "F15", true, always, -1, {}},
        {Key::help, "help", 114, "?\u20DD", true, always, -1, {}},
        {Key::home, "home", 115, "\u2196", true, always, -1, {}},
        {Key::pageUp, "pageUp", 116, "\u21DE", true, always, -1, {}},
        {Key::forwardDelete, "forwardDelete", 117, "\u2326", true, always, -1, {}},
        {Key::f4, "f4", 118, "F4", true, always, -1, {}},
        {Key::end, "end", 119, "\u2198", true, always, -1, {}},
        {Key::f2, "f2", 120, "F2", true, always, -1, {}},
        {Key::pageDown, "pageDown", 121, "\u21DF", true, always, -1, {}},
        {Key::f1, "f1", 122, "F1", true, always, -1, {}},
        {Key::leftArrow, "leftArrow", 123, "\u2190", true, always, -1, {}},
        {Key::rightArrow, "rightArrow", 124, "\u2192", true, always, -1, {}},
        {Key::downArrow, "downArrow", 125, "\u2193", true, always, -1, {}},
        {Key::upArrow, "upArrow", 126, "\u2191", true, always, -1, {}},
        {Key::yen, "yen", 93, nullptr, false, always, -1, {{"\u00A5"}}},
        {Key::underscore, "underscore", 94, nullptr, false, always, -1, {{"_"}}},
        {Key::keypadComma, "keypadComma", 95, nullptr, false, always, -1, {{",", onlyWithCode, 95}}},
        {Key::eisu, "eisu", 102, "\u82F1\u6570", false, always, -1, {}},
        {Key::kana, "kana", 104, "\u304B\u306A", false, always, -1, {}},
        {Key::atSign, "atSign", 33, nullptr, false, always, -1, {{"@"}}},
        {Key::caret, "caret", 24, nullptr, false, always, -1, {{"^"}}},
        {Key::colon, "colon", 39, nullptr, false, always, -1, {{":"}}},
        {Key::section, "section", 10, nullptr, false, always, -1, {{"\u00A7"}}},
    };
    return rows;
}

const KeyRow& row(Key key) { return table()[static_cast<std::size_t>(key)]; }

// Full Unicode lower-casing, then one normal form, so that canonically
// equivalent texts compare equal byte for byte.
std::string folded(std::string_view text) { return platform::text::nfc(platform::text::lowercased(text)); }

struct Candidate {
    std::string text;  // folded
    When when;
    int code;
};

const std::vector<std::vector<Candidate>>& candidates() {
    static const std::vector<std::vector<Candidate>> all = [] {
        std::vector<std::vector<Candidate>> result;
        for (const auto& r : table()) {
            std::vector<Candidate> list;
            if (r.nameAccepted) list.push_back({folded(r.name), r.nameWhen, r.nameCode});
            if (r.display) list.push_back({folded(r.display), When::always, -1});
            for (const auto& alias : r.aliases) list.push_back({folded(alias.text), alias.when, alias.code});
            result.push_back(std::move(list));
        }
        return result;
    }();
    return all;
}

bool conditionHolds(When when, int code, std::optional<std::int64_t> given) {
    switch (when) {
        case When::always: return true;
        case When::unlessCode: return !given || *given != code;
        case When::onlyWithCode: return given && *given == code;
    }
    return false;
}

struct SpecialRow {
    SpecialKey special;
    Key key;
};

constexpr std::array<SpecialRow, specialKeyCaseCount> specialRows = {{
    {SpecialKey::return_, Key::return_}, {SpecialKey::tab, Key::tab}, {SpecialKey::space, Key::space},
    {SpecialKey::delete_, Key::delete_}, {SpecialKey::escape, Key::escape}, {SpecialKey::f17, Key::f17},
    {SpecialKey::f18, Key::f18}, {SpecialKey::f19, Key::f19}, {SpecialKey::f20, Key::f20},
    {SpecialKey::f5, Key::f5}, {SpecialKey::f6, Key::f6}, {SpecialKey::f7, Key::f7},
    {SpecialKey::f3, Key::f3}, {SpecialKey::f8, Key::f8}, {SpecialKey::f9, Key::f9},
    {SpecialKey::f11, Key::f11}, {SpecialKey::f13, Key::f13}, {SpecialKey::f16, Key::f16},
    {SpecialKey::f14, Key::f14}, {SpecialKey::f10, Key::f10}, {SpecialKey::f12, Key::f12},
    {SpecialKey::f15, Key::f15}, {SpecialKey::help, Key::help}, {SpecialKey::home, Key::home},
    {SpecialKey::pageUp, Key::pageUp}, {SpecialKey::forwardDelete, Key::forwardDelete},
    {SpecialKey::f4, Key::f4}, {SpecialKey::end, Key::end}, {SpecialKey::f2, Key::f2},
    {SpecialKey::pageDown, Key::pageDown}, {SpecialKey::f1, Key::f1},
    {SpecialKey::leftArrow, Key::leftArrow}, {SpecialKey::rightArrow, Key::rightArrow},
    {SpecialKey::downArrow, Key::downArrow}, {SpecialKey::upArrow, Key::upArrow},
    {SpecialKey::eisu, Key::eisu}, {SpecialKey::kana, Key::kana},
    {SpecialKey::keypadClear, Key::keypadClear}, {SpecialKey::keypadEnter, Key::keypadEnter},
}};

constexpr int firstSpecialCode = 36;
constexpr int lastSpecialCode = 126;

// Indexed by key code minus 36; -1 where the code has no label.
const std::array<int, lastSpecialCode - firstSpecialCode + 1>& specialByCode() {
    static const auto byCode = [] {
        std::array<int, lastSpecialCode - firstSpecialCode + 1> a{};
        a.fill(-1);
        for (std::size_t i = 0; i < specialRows.size(); ++i) {
            a[row(specialRows[i].key).code - firstSpecialCode] = static_cast<int>(i);
        }
        return a;
    }();
    return byCode;
}

}  // namespace

const std::array<Key, keyCaseCount>& allKeys() {
    static const auto keys = [] {
        std::array<Key, keyCaseCount> a{};
        for (std::size_t i = 0; i < keyCaseCount; ++i) a[i] = static_cast<Key>(i);
        return a;
    }();
    return keys;
}

std::string_view rawValue(Key key) { return row(key).name; }

std::optional<Key> keyFromRawValue(std::string_view rawValue) {
    for (const auto& r : table()) {
        if (rawValue == r.name) return r.key;
    }
    return std::nullopt;
}

std::uint16_t QWERTYKeyCode(Key key) { return row(key).code; }

std::optional<Key> keyFromQWERTYKeyCode(std::int64_t keyCode) {
    for (const auto& r : table()) {
        if (r.code == keyCode) return r.key;
    }
    return std::nullopt;
}

std::optional<Key> keyFromCharacter(std::string_view text, std::optional<std::int64_t> virtualKeyCode) {
    const std::string input = folded(text);
    const auto& all = candidates();
    for (std::size_t i = 0; i < all.size(); ++i) {
        for (const auto& candidate : all[i]) {
            if (candidate.text == input && conditionHolds(candidate.when, candidate.code, virtualKeyCode)) {
                return static_cast<Key>(i);
            }
        }
    }
    return std::nullopt;
}

std::optional<Key> keyForMenuItem(std::string_view userKeyEquivalent, std::string_view keyEquivalent) {
    return keyFromCharacter(userKeyEquivalent.empty() ? keyEquivalent : userKeyEquivalent);
}

std::optional<Key> keyForMenuItem(const platform::MenuItem& item) { return keyForMenuItem({}, item.keyEquivalent()); }

bool isFunctionKey(Key key) {
    switch (key) {
        case Key::f1: case Key::f2: case Key::f3: case Key::f4: case Key::f5:
        case Key::f6: case Key::f7: case Key::f8: case Key::f9: case Key::f10:
        case Key::f11: case Key::f12: case Key::f13: case Key::f14: case Key::f15:
        case Key::f16: case Key::f17: case Key::f18: case Key::f19: case Key::f20:
            return true;
        default:
            return false;
    }
}

bool isLetterKey(Key key) {
    const std::string_view name = rawValue(key);
    return name.size() == 1 && name[0] >= 'a' && name[0] <= 'z';
}

std::optional<SpecialKey> specialKeyFromKeyCode(std::int64_t keyCode) {
    if (keyCode < firstSpecialCode || keyCode > lastSpecialCode) return std::nullopt;
    const int index = specialByCode()[static_cast<std::size_t>(keyCode - firstSpecialCode)];
    if (index < 0) return std::nullopt;
    return specialRows[static_cast<std::size_t>(index)].special;
}

std::uint16_t keyCode(SpecialKey key) { return row(specialRows[static_cast<std::size_t>(key)].key).code; }

std::string_view character(SpecialKey key) { return row(specialRows[static_cast<std::size_t>(key)].key).display; }

std::optional<std::string_view> displayName(Key key) {
    switch (key) {
        case Key::return_: return "Return";
        case Key::tab: return "Tab";
        case Key::space: return "Space";
        case Key::delete_: return "Backspace";
        case Key::escape: return "Esc";
        // The keys a PC keyboard has in these places.
        case Key::help: return "Insert";
        case Key::keypadClear: return "Num Lock";
        case Key::forwardDelete: return "Delete";
        case Key::home: return "Home";
        case Key::end: return "End";
        case Key::pageUp: return "PgUp";
        case Key::pageDown: return "PgDown";
        case Key::leftArrow: return "Left";
        case Key::rightArrow: return "Right";
        case Key::upArrow: return "Up";
        case Key::downArrow: return "Down";
        case Key::keypadEnter: return "Enter";
        default: break;
    }
    if (isFunctionKey(key)) return row(key).display;
    return std::nullopt;
}

platform::Value encodeKey(Key key) { return platform::Value(std::string(rawValue(key))); }

Key decodeKey(const platform::Value& encoded) {
    const std::string* text = encoded.asString();
    if (!text) throw DecodingError(DecodingError::Kind::typeMismatch, "Expected a key name as text");
    if (auto key = keyFromRawValue(*text)) return *key;
    throw DecodingError(DecodingError::Kind::dataCorrupted, "Cannot initialize Key from invalid String value " + *text);
}

}  // namespace frelt
