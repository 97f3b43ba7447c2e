#include "hotkeys/KeyCombo.h"

#include "hotkeys/KeyTranslating.h"
#include "platform/foundation/Text.h"

namespace frelt {
namespace {

constexpr const char* keyArchiveKey = "key";
constexpr const char* keyCodeArchiveKey = "keyCode";
constexpr const char* QWERTYKeyCodeArchiveKey = "QWERTYKeyCode";
constexpr const char* modifiersArchiveKey = "modifiers";
constexpr const char* doubledModifiersArchiveKey = "doubledModifiers";

constexpr std::int64_t eventKeyDown = 10;
constexpr std::int64_t eventKeyUp = 11;
constexpr std::int64_t eventFlagsChanged = 12;

const platform::Value& member(const platform::ValueDictionary& dict, const char* key) {
    static const platform::Value absent;
    const auto found = dict.find(key);
    return found == dict.end() ? absent : found->second;
}

std::int64_t requiredInteger(const platform::ValueDictionary& dict, const char* key) {
    const auto found = dict.find(key);
    if (found == dict.end()) {
        throw DecodingError(DecodingError::Kind::keyNotFound, std::string("No value for key ") + key);
    }
    if (!found->second.isInteger()) {
        throw DecodingError(DecodingError::Kind::typeMismatch, std::string("Expected an integer for key ") + key);
    }
    return *found->second.asInteger();
}

}  // namespace

KeyCombo::Ptr KeyCombo::makeFields(Key key, std::int64_t modifiers, bool doubled) {
    return std::make_shared<KeyCombo>(Private{}, key, modifiers, doubled);
}

KeyCombo::Ptr KeyCombo::make(Key key, ModifierFlags cocoaModifiers) {
    ModifierFlags flags = modifierflags::filterUnsupportedModifiers(cocoaModifiers);
    if (isFunctionKey(key)) flags |= modifierflags::function;
    if (!modifierflags::containsSupportedModifiers(flags)) return nullptr;
    return makeFields(key, modifierflags::carbonModifiers(flags, true), false);
}

KeyCombo::Ptr KeyCombo::makeWithCarbonModifiers(Key key, std::int64_t carbonModifiers) {
    return make(key, modifierflags::fromCarbonModifiers(carbonModifiers));
}

KeyCombo::Ptr KeyCombo::make(std::int64_t QWERTYKeyCode, ModifierFlags cocoaModifiers) {
    const auto key = keyFromQWERTYKeyCode(QWERTYKeyCode);
    if (!key) return nullptr;
    return make(*key, cocoaModifiers);
}

KeyCombo::Ptr KeyCombo::makeWithCarbonModifiers(std::int64_t QWERTYKeyCode, std::int64_t carbonModifiers) {
    return make(QWERTYKeyCode, modifierflags::fromCarbonModifiers(carbonModifiers));
}

KeyCombo::Ptr KeyCombo::makeDoubled(ModifierFlags cocoaModifiers) {
    if (!modifierflags::isSingleFlags(cocoaModifiers)) return nullptr;
    const ModifierFlags single = modifierflags::filterUnsupportedModifiers(cocoaModifiers);
    return makeFields(Key::a, modifierflags::carbonModifiers(single, false), true);
}

KeyCombo::Ptr KeyCombo::makeDoubledWithCarbonModifiers(std::int64_t carbonModifiers) {
    return makeDoubled(modifierflags::fromCarbonModifiers(carbonModifiers));
}

KeyCombo::Ptr KeyCombo::makeFromEvent(std::int64_t eventType, std::uint16_t keyCode, ModifierFlags modifierFlags) {
    if (eventType != eventKeyDown && eventType != eventKeyUp && eventType != eventFlagsChanged) return nullptr;
    auto key = KeyTranslating::shared()->currentKey(keyCode);
    if (!key) key = keyFromQWERTYKeyCode(keyCode);
    if (!key) return nullptr;
    return make(*key, modifierFlags);
}

KeyCombo::Ptr KeyCombo::makeFromEvent(const platform::Event& event) {
    const auto type = static_cast<std::int64_t>(event.type);
    if (type != eventKeyDown && type != eventKeyUp) return makeFromEvent(type, event.keyCode, event.modifierFlags);
    const auto key = KeyTranslating::shared()->keyForTypedKey(event.keyCode, event.charactersIgnoringModifiers);
    return key ? make(*key, event.modifierFlags) : nullptr;
}

KeyCombo::Ptr KeyCombo::copy() const { return makeFields(key_, modifiers_, doubledModifiers_); }

bool KeyCombo::isEqual(const KeyCombo& other) const {
    return rawValue(key_) == rawValue(other.key_) && modifiers_ == other.modifiers_ &&
           doubledModifiers_ == other.doubledModifiers_;
}

ModifierFlags KeyCombo::cocoaModifiers() const { return modifierflags::fromCarbonModifiers(modifiers_); }

std::string KeyCombo::characters() const {
    if (doubledModifiers_) return {};
    const std::int64_t mask = isLetterKey(key_) ? (modifiers_ & carbonmodifiers::shift) : 0;
    return KeyTranslating::shared()->character(keyCode(), mask).value_or(std::string());
}

std::string KeyCombo::keyEquivalent() const {
    if (doubledModifiers_) return {};
    return KeyTranslating::shared()->character(keyCode(), modifiers_).value_or(std::string());
}

std::string KeyCombo::keyEquivalentModifierString() const {
    return modifierflags::displayString(cocoaModifiers());
}

std::uint16_t KeyCombo::QWERTYKeyCode() const { return doubledModifiers_ ? 0 : frelt::QWERTYKeyCode(key_); }

std::uint16_t KeyCombo::keyCode() const {
    if (doubledModifiers_) return 0;
    return KeyTranslating::shared()->keyCode(key_).value_or(frelt::QWERTYKeyCode(key_));
}

std::string KeyCombo::keyDisplayString() const {
    if (doubledModifiers_) return {};
    if (auto name = displayName(key_)) return std::string(*name);
    // A key that types nothing in any layout still gets a name: its position's.
    const std::string typed = characters();
    return platform::text::uppercased(typed.empty() ? std::string(rawValue(key_)) : typed);
}

std::string KeyCombo::displayString() const {
    const std::string modifiers = keyEquivalentModifierString();
    if (doubledModifiers_) return "double " + modifiers;
    return modifiers.empty() ? keyDisplayString() : modifiers + "+" + keyDisplayString();
}

void KeyCombo::encodeWithCoder(platform::KeyedArchiver& coder) const {
    coder.encodeObject(platform::ArchiveObject(std::string(rawValue(key_))), keyArchiveKey);
    coder.encodeInteger(modifiers_, modifiersArchiveKey);
    coder.encodeBool(doubledModifiers_, doubledModifiersArchiveKey);
}

KeyCombo::Ptr KeyCombo::initWithCoder(platform::KeyedUnarchiver& coder) {
    const bool doubled = coder.decodeBool(doubledModifiersArchiveKey);
    const std::int64_t modifiers = coder.decodeInteger(modifiersArchiveKey);
    if (doubled) return makeFields(Key::a, modifiers, true);

    // "key" is tried first and exclusively: a bad name is not rescued by an
    // older key code beside it.
    if (coder.containsValueForKey(keyArchiveKey)) {
        const auto name = coder.decodeString(keyArchiveKey);
        if (!name) return nullptr;
        const auto key = keyFromRawValue(*name);
        return key ? makeFields(*key, modifiers, false) : nullptr;
    }
    const std::int64_t code = coder.containsValueForKey(keyCodeArchiveKey) ? coder.decodeInteger(keyCodeArchiveKey)
                                                                           : coder.decodeInteger(QWERTYKeyCodeArchiveKey);
    const auto key = keyFromQWERTYKeyCode(code);
    return key ? makeFields(*key, modifiers, false) : nullptr;
}

void KeyCombo::registerCoding() { platform::CodingRegistry::registerClass(archiveClassName, &KeyCombo::initWithCoder); }

namespace {
// Archives holding combinations (settings, entries, tags) may be read before
// anything else touches this class.
const bool codingRegistered = (KeyCombo::registerCoding(), true);
}  // namespace

platform::Value KeyCombo::encode() const {
    return platform::Value(platform::ValueDictionary{
        {keyArchiveKey, encodeKey(key_)},
        {modifiersArchiveKey, platform::Value(modifiers_)},
        {doubledModifiersArchiveKey, platform::Value(doubledModifiers_)},
    });
}

KeyCombo::Ptr KeyCombo::decode(const platform::Value& encoded) {
    const auto* dict = encoded.asDictionary();
    if (!dict) throw DecodingError(DecodingError::Kind::typeMismatch, "Expected a keyed container for a key combination");

    const auto found = dict->find(doubledModifiersArchiveKey);
    if (found == dict->end()) throw DecodingError(DecodingError::Kind::keyNotFound, "No value for key doubledModifiers");
    if (!found->second.isBool()) throw DecodingError(DecodingError::Kind::typeMismatch, "Expected a Boolean for key doubledModifiers");
    const bool doubled = *found->second.asBool();
    const std::int64_t modifiers = requiredInteger(*dict, modifiersArchiveKey);
    if (doubled) return makeFields(Key::a, modifiers, true);

    if (dict->count(keyArchiveKey)) return makeFields(decodeKey(member(*dict, keyArchiveKey)), modifiers, false);
    const std::int64_t code = dict->count(keyCodeArchiveKey) ? requiredInteger(*dict, keyCodeArchiveKey)
                                                             : requiredInteger(*dict, QWERTYKeyCodeArchiveKey);
    const auto key = keyFromQWERTYKeyCode(code);
    if (!key) throw InitializeError();
    return makeFields(*key, modifiers, false);
}

std::string_view rawValue(KeyCombo::CodingKeys key) {
    switch (key) {
        case KeyCombo::CodingKeys::key: return keyArchiveKey;
        case KeyCombo::CodingKeys::keyCode: return keyCodeArchiveKey;
        case KeyCombo::CodingKeys::QWERTYKeyCode: return QWERTYKeyCodeArchiveKey;
        case KeyCombo::CodingKeys::modifiers: return modifiersArchiveKey;
        case KeyCombo::CodingKeys::doubledModifiers: return doubledModifiersArchiveKey;
    }
    return {};
}

std::optional<KeyCombo::CodingKeys> codingKeyFromRawValue(std::string_view text) {
    using CK = KeyCombo::CodingKeys;
    for (CK key : {CK::key, CK::keyCode, CK::QWERTYKeyCode, CK::modifiers, CK::doubledModifiers}) {
        if (rawValue(key) == text) return key;
    }
    return std::nullopt;
}

bool sameKeyCombo(const KeyCombo::Ptr& a, const KeyCombo::Ptr& b) {
    if (!a || !b) return !a && !b;
    return a->isEqual(*b);
}

}  // namespace frelt
