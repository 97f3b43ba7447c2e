#include "hotkeys/KeyCombo.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "hotkeys/KeyTranslating.h"
#include "hotkeys/KeyboardLayout.h"
#include "platform/foundation/SingleInstance.h"
#include "support/FreltTest.h"

using namespace frelt;
namespace mf = frelt::modifierflags;
namespace cm = frelt::carbonmodifiers;

namespace {

class KeyComboTest : public FreltTest {};

// A layout where y and z trade places (code 6 types "y", code 16 "z") and
// where the key at code 0 types nothing in any source.
class SwappedLayout : public KeyTranslating {
public:
    std::optional<std::uint16_t> keyCode(Key key) const override {
        if (key == Key::z) return 16;
        if (key == Key::y) return 6;
        if (key == Key::a) return std::nullopt;
        return QWERTYKeyCode(key);
    }
    std::optional<Key> currentKey(std::uint16_t code) const override {
        if (code == 16) return Key::z;
        if (code == 6) return Key::y;
        return std::nullopt;
    }
    std::optional<std::string> character(std::uint16_t code, std::int64_t mask) const override {
        if (code == 0) return std::nullopt;
        if (code == 16) return (mask & cm::shift) ? "Z" : "z";
        if (code == 6) return (mask & cm::shift) ? "Y" : "y";
        return QWERTYKeyTranslator().character(code, mask);
    }
};

TEST_F(KeyComboTest, ModifierConversions) {
    EXPECT_EQ(mf::filterUnsupportedModifiers(mf::capsLock | mf::numericPad | mf::function | mf::command | 0x3),
              mf::command);
    EXPECT_TRUE(mf::containsSupportedModifiers(mf::function));
    EXPECT_FALSE(mf::containsSupportedModifiers(mf::capsLock | mf::numericPad));
    EXPECT_TRUE(mf::isSingleFlags(mf::option | mf::capsLock | 0x40));
    EXPECT_FALSE(mf::isSingleFlags(mf::option | mf::shift));
    EXPECT_FALSE(mf::isSingleFlags(mf::function));
    EXPECT_EQ(mf::carbonModifiers(mf::command | mf::shift | mf::option | mf::control | mf::function, true),
              0x100 | 0x200 | 0x800 | 0x1000 | 0x800000);
    EXPECT_EQ(mf::carbonModifiers(mf::command | mf::function | mf::capsLock, false), 0x100);
    EXPECT_EQ(mf::fromCarbonModifiers(0x100 | 0x200 | 0x800 | 0x1000 | 0x800000 | 0x1),
              mf::command | mf::shift | mf::option | mf::control);
    // The desktop's names in its order, whatever order the bits come in.
    EXPECT_EQ(mf::displayNames(mf::control | mf::option | mf::shift | mf::command),
              (std::vector<std::string>{"Shift", "Ctrl", "Alt", "Super"}));
    EXPECT_EQ(mf::displayString(mf::option | mf::command), "Ctrl+Alt");
    EXPECT_EQ(mf::displayString(0), "");
}

TEST_F(KeyComboTest, ConstructorsRefuseWhatMakesNoCombination) {
    EXPECT_EQ(KeyCombo::make(Key::a, 0), nullptr);
    EXPECT_EQ(KeyCombo::make(Key::one, 0), nullptr);
    EXPECT_EQ(KeyCombo::make(Key::comma, 0), nullptr);
    EXPECT_EQ(KeyCombo::make(Key::a, mf::capsLock), nullptr);
    EXPECT_EQ(KeyCombo::make(Key::a, mf::numericPad), nullptr);
    // A function flag on a non-function key is dropped before the check.
    EXPECT_EQ(KeyCombo::make(Key::a, mf::function), nullptr);
    EXPECT_EQ(KeyCombo::makeWithCarbonModifiers(Key::a, cm::function), nullptr);
    EXPECT_EQ(KeyCombo::make(52, mf::command), nullptr);
    EXPECT_EQ(KeyCombo::makeWithCarbonModifiers(127, cm::command), nullptr);
    EXPECT_EQ(KeyCombo::makeDoubled(0), nullptr);
    EXPECT_EQ(KeyCombo::makeDoubled(mf::option | mf::shift), nullptr);
    EXPECT_EQ(KeyCombo::makeDoubled(mf::function), nullptr);
    EXPECT_EQ(KeyCombo::makeDoubledWithCarbonModifiers(cm::command | cm::control), nullptr);
    EXPECT_EQ(KeyCombo::makeFromEvent(1, 0, mf::command), nullptr);
    EXPECT_EQ(KeyCombo::makeFromEvent(10, 52, mf::command), nullptr);
}

TEST_F(KeyComboTest, ConstructorsStoreTheCarbonMask) {
    auto f5 = KeyCombo::make(Key::f5, 0);
    ASSERT_TRUE(f5);
    EXPECT_EQ(f5->modifiers(), 0x800000);
    EXPECT_FALSE(f5->doubledModifiers());

    auto cmdShiftK = KeyCombo::make(Key::k, mf::command | mf::shift | mf::capsLock);
    ASSERT_TRUE(cmdShiftK);
    EXPECT_EQ(cmdShiftK->modifiers(), 0x300);
    EXPECT_EQ(cmdShiftK->cocoaModifiers(), mf::command | mf::shift);

    auto fromCarbon = KeyCombo::makeWithCarbonModifiers(40, 0x300);
    ASSERT_TRUE(fromCarbon);
    EXPECT_TRUE(fromCarbon->isEqual(*cmdShiftK));
    auto fromCode = KeyCombo::make(std::int64_t{122}, mf::control);
    ASSERT_TRUE(fromCode);
    EXPECT_EQ(fromCode->key(), Key::f1);
    EXPECT_EQ(fromCode->modifiers(), 0x1000 | 0x800000);

    // The right option key sets a device bit besides option: still option.
    auto rightOption = KeyCombo::makeDoubled(mf::option | 0x40);
    ASSERT_TRUE(rightOption);
    EXPECT_EQ(rightOption->key(), Key::a);
    EXPECT_EQ(rightOption->modifiers(), 0x800);
    EXPECT_TRUE(rightOption->doubledModifiers());
    auto carbonDouble = KeyCombo::makeDoubledWithCarbonModifiers(cm::shift | cm::function);
    ASSERT_TRUE(carbonDouble);
    EXPECT_EQ(carbonDouble->modifiers(), 0x200);
}

TEST_F(KeyComboTest, EventsReadTheCodeThroughTheCurrentLayout) {
    auto onUS = KeyCombo::makeFromEvent(10, 16, mf::command);
    ASSERT_TRUE(onUS);
    EXPECT_EQ(onUS->key(), Key::y);

    KeyTranslating::setShared(std::make_shared<SwappedLayout>());
    auto swapped = KeyCombo::makeFromEvent(12, 16, mf::command);
    ASSERT_TRUE(swapped);
    EXPECT_EQ(swapped->key(), Key::z);
    // A code the layout does not know falls back to the fixed table.
    auto fallback = KeyCombo::makeFromEvent(11, 40, mf::command);
    ASSERT_TRUE(fallback);
    EXPECT_EQ(fallback->key(), Key::k);
    EXPECT_EQ(swapped->keyCode(), 16);
    EXPECT_EQ(swapped->QWERTYKeyCode(), 6);
}

TEST_F(KeyComboTest, Equality) {
    auto a = KeyCombo::makeDoubled(mf::option);
    auto b = KeyCombo::makeDoubled(mf::option);
    auto plain = KeyCombo::make(Key::a, mf::option);
    EXPECT_TRUE(a->isEqual(*b));
    EXPECT_FALSE(a->isEqual(*plain));
    EXPECT_FALSE(KeyCombo::make(Key::a, mf::command)->isEqual(*KeyCombo::make(Key::a, mf::option)));
    EXPECT_FALSE(KeyCombo::make(Key::a, mf::command)->isEqual(*KeyCombo::make(Key::b, mf::command)));
    EXPECT_TRUE(sameKeyCombo(nullptr, nullptr));
    EXPECT_FALSE(sameKeyCombo(a, nullptr));
    EXPECT_TRUE(sameKeyCombo(a, b));
}

TEST_F(KeyComboTest, DisplayStrings) {
    struct Case {
        KeyCombo::Ptr combo;
        const char* display;
    };
    const Case cases[] = {
        {KeyCombo::make(Key::k, mf::shift | mf::command), "Shift+Ctrl+K"},
        {KeyCombo::make(Key::space, mf::command | mf::option), "Ctrl+Alt+Space"},
        {KeyCombo::make(Key::k, mf::control), "Super+K"},
        {KeyCombo::make(Key::a, mf::command | mf::shift | mf::option | mf::control), "Shift+Ctrl+Alt+Super+A"},
        {KeyCombo::makeDoubled(mf::option), "double Alt"},
        {KeyCombo::makeDoubled(mf::command), "double Ctrl"},
        {KeyCombo::makeDoubled(mf::control), "double Super"},
        {KeyCombo::make(Key::f5, 0), "F5"},
        {KeyCombo::make(Key::f12, mf::shift), "Shift+F12"},
        {KeyCombo::make(Key::return_, mf::control), "Super+Return"},
        {KeyCombo::make(Key::delete_, mf::command), "Ctrl+Backspace"},
        {KeyCombo::make(Key::forwardDelete, mf::command), "Ctrl+Delete"},
        {KeyCombo::make(Key::escape, mf::option), "Alt+Esc"},
        {KeyCombo::make(Key::pageDown, mf::command), "Ctrl+PgDown"},
        {KeyCombo::make(Key::leftArrow, mf::option), "Alt+Left"},
        {KeyCombo::make(Key::help, mf::command), "Ctrl+Insert"},
        // Shift shows as a modifier, never as the shifted character.
        {KeyCombo::make(Key::one, mf::shift | mf::command), "Shift+Ctrl+1"},
        {KeyCombo::make(Key::keypadOne, mf::option), "Alt+1"},
        {KeyCombo::make(Key::leftBracket, mf::command), "Ctrl+["},
        {KeyCombo::make(Key::atSign, mf::command), "Ctrl+["},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.combo) << c.display;
        EXPECT_EQ(c.combo->displayString(), c.display);
    }
}

TEST_F(KeyComboTest, CharactersShiftLettersOnlyAndKeyEquivalentTakesTheWholeMask) {
    auto shiftOne = KeyCombo::make(Key::one, mf::shift);
    EXPECT_EQ(shiftOne->characters(), "1");
    EXPECT_EQ(shiftOne->keyEquivalent(), "!");
    auto shiftK = KeyCombo::make(Key::k, mf::shift | mf::command);
    EXPECT_EQ(shiftK->characters(), "K");
    EXPECT_EQ(shiftK->keyEquivalent(), "K");
    auto cmdK = KeyCombo::make(Key::k, mf::command);
    EXPECT_EQ(cmdK->characters(), "k");
    EXPECT_EQ(cmdK->keyEquivalentModifierString(), "Ctrl");
    auto doubled = KeyCombo::makeDoubled(mf::shift);
    EXPECT_EQ(doubled->characters(), "");
    EXPECT_EQ(doubled->keyEquivalent(), "");
    EXPECT_EQ(doubled->keyCode(), 0);
    EXPECT_EQ(doubled->QWERTYKeyCode(), 0);
}

TEST_F(KeyComboTest, CharactersFollowTheLayout) {
    KeyTranslating::setShared(std::make_shared<SwappedLayout>());
    EXPECT_EQ(KeyCombo::make(Key::z, mf::shift | mf::command)->displayString(), "Shift+Ctrl+Z");
    // No character in any source: the key is named after its position.
    EXPECT_EQ(KeyCombo::make(Key::a, mf::command)->displayString(), "Ctrl+A");
    EXPECT_EQ(KeyCombo::make(Key::a, mf::command)->keyCode(), 0);
}

TEST_F(KeyComboTest, SharedTranslatorIsForgottenWithTheOtherSingleInstances) {
    KeyTranslating::setShared(std::make_shared<SwappedLayout>());
    platform::singleinstance::resetAll();
    EXPECT_NE(std::dynamic_pointer_cast<KeyTranslator>(KeyTranslating::shared()), nullptr);
}

TEST_F(KeyComboTest, CopyKeepsTheFieldsOfADecodedCombinationWithAnEmptyMask) {
    // Stored combinations are taken as they are, even when today's
    // constructors would refuse them; copying must not lose them.
    auto decoded = KeyCombo::decode(platform::Value(platform::ValueDictionary{
        {"key", platform::Value("k")}, {"modifiers", platform::Value(0)}, {"doubledModifiers", platform::Value(false)}}));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(KeyCombo::make(Key::k, decoded->cocoaModifiers()), nullptr);
    auto copy = decoded->copy();
    ASSERT_TRUE(copy);
    EXPECT_NE(copy.get(), decoded.get());
    EXPECT_TRUE(copy->isEqual(*decoded));
    EXPECT_EQ(copy->modifiers(), 0);

    auto doubled = KeyCombo::makeDoubled(mf::control)->copy();
    EXPECT_TRUE(doubled->doubledModifiers());
    EXPECT_EQ(doubled->modifiers(), 0x1000);
}

TEST_F(KeyComboTest, CodingKeys) {
    EXPECT_EQ(rawValue(KeyCombo::CodingKeys::QWERTYKeyCode), "QWERTYKeyCode");
    EXPECT_EQ(codingKeyFromRawValue("doubledModifiers"), KeyCombo::CodingKeys::doubledModifiers);
    EXPECT_EQ(codingKeyFromRawValue("Key"), std::nullopt);
}

TEST_F(KeyComboTest, StructuredCodingRoundTripsAndReadsOldKeyCodes) {
    using platform::Value;
    using platform::ValueDictionary;
    auto combo = KeyCombo::make(Key::f3, mf::option);
    const Value encoded = combo->encode();
    EXPECT_EQ(encoded, Value(ValueDictionary{{"key", Value("f3")}, {"modifiers", Value(0x800 | 0x800000)},
                                            {"doubledModifiers", Value(false)}}));
    EXPECT_TRUE(KeyCombo::decode(encoded)->isEqual(*combo));

    auto fromKeyCode = KeyCombo::decode(Value(ValueDictionary{
        {"keyCode", Value(40)}, {"QWERTYKeyCode", Value(0)}, {"modifiers", Value(0x100)}, {"doubledModifiers", Value(false)}}));
    EXPECT_EQ(fromKeyCode->key(), Key::k);
    auto fromQWERTY = KeyCombo::decode(Value(ValueDictionary{
        {"QWERTYKeyCode", Value(1)}, {"modifiers", Value(0x100)}, {"doubledModifiers", Value(false)}}));
    EXPECT_EQ(fromQWERTY->key(), Key::s);
    auto doubled = KeyCombo::decode(Value(ValueDictionary{
        {"key", Value("nonsense")}, {"modifiers", Value(0x200)}, {"doubledModifiers", Value(true)}}));
    EXPECT_EQ(doubled->key(), Key::a);

    EXPECT_THROW(KeyCombo::decode(Value(ValueDictionary{
                     {"keyCode", Value(52)}, {"modifiers", Value(0x100)}, {"doubledModifiers", Value(false)}})),
                 KeyCombo::InitializeError);
    auto kindOf = [](const Value& v) {
        try {
            KeyCombo::decode(v);
        } catch (const DecodingError& e) {
            return e.kind();
        }
        ADD_FAILURE() << "decoded " << v.description();
        return DecodingError::Kind::keyNotFound;
    };
    EXPECT_EQ(kindOf(Value(ValueDictionary{{"modifiers", Value(0x100)}, {"doubledModifiers", Value(false)}})),
              DecodingError::Kind::keyNotFound);
    EXPECT_EQ(kindOf(Value(ValueDictionary{{"key", Value("K")}, {"keyCode", Value(40)}, {"modifiers", Value(0x100)},
                                           {"doubledModifiers", Value(false)}})),
              DecodingError::Kind::dataCorrupted);
    EXPECT_EQ(kindOf(Value(ValueDictionary{{"key", Value("k")}, {"modifiers", Value("x")}, {"doubledModifiers", Value(false)}})),
              DecodingError::Kind::typeMismatch);
    EXPECT_EQ(kindOf(Value(3)), DecodingError::Kind::typeMismatch);
}

// Writes a combination record the way older versions (or a damaged file) did.
class RawComboRecord : public platform::Coding {
public:
    explicit RawComboRecord(std::function<void(platform::KeyedArchiver&)> write) : write_(std::move(write)) {}
    std::string className() const override { return KeyCombo::archiveClassName; }
    void encodeWithCoder(platform::KeyedArchiver& coder) const override { write_(coder); }

private:
    std::function<void(platform::KeyedArchiver&)> write_;
};

KeyCombo::Ptr roundTrip(platform::ArchiveObject root) {
    auto data = platform::KeyedArchiver::archivedData(root);
    EXPECT_TRUE(data);
    if (!data) return nullptr;
    auto result = platform::KeyedUnarchiver::unarchiveTopLevelObject(*data, {KeyCombo::archiveClassName});
    EXPECT_TRUE(result) << result.error;
    return result.object.as<KeyCombo>();
}

KeyCombo::Ptr decodeRecord(std::function<void(platform::KeyedArchiver&)> write) {
    return roundTrip(platform::ArchiveObject(std::make_shared<RawComboRecord>(std::move(write))));
}

TEST_F(KeyComboTest, KeyedArchiveRoundTrips) {
    for (const auto& combo : {KeyCombo::make(Key::k, mf::command | mf::shift), KeyCombo::make(Key::f12, 0),
                              KeyCombo::makeDoubled(mf::control), KeyCombo::make(Key::atSign, mf::option)}) {
        auto decoded = roundTrip(platform::ArchiveObject(combo));
        ASSERT_TRUE(decoded) << combo->displayString();
        EXPECT_TRUE(decoded->isEqual(*combo)) << combo->displayString();
    }
}

TEST_F(KeyComboTest, KeyedArchiveHoldsTheKeyNameTheMaskAndTheFlag) {
    platform::KeyedArchiver archiver;
    archiver.encodeRootObject(platform::ArchiveObject(KeyCombo::makeDoubled(mf::option)));
    const platform::Value archive = archiver.archiveValue();
    const auto* objects = archive["$objects"].asArray();
    ASSERT_TRUE(objects);
    const platform::Value* record = nullptr;
    for (const auto& object : *objects) {
        if (object["modifiers"].isInteger()) record = &object;
    }
    ASSERT_TRUE(record);
    EXPECT_EQ((*record)["modifiers"], platform::Value(0x800));
    EXPECT_EQ((*record)["doubledModifiers"], platform::Value(true));
    const auto* keyRef = (*record)["key"].asUID();
    ASSERT_TRUE(keyRef);
    EXPECT_EQ((*objects)[keyRef->value], platform::Value("a"));
    EXPECT_TRUE((*record)["keyCode"].isNull());
    EXPECT_TRUE((*record)["QWERTYKeyCode"].isNull());
}

TEST_F(KeyComboTest, KeyedArchiveReadsOlderRecords) {
    // An integer key code of older versions, then the QWERTY code.
    auto byKeyCode = decodeRecord([](platform::KeyedArchiver& c) {
        c.encodeInteger(40, "keyCode");
        c.encodeInteger(1, "QWERTYKeyCode");
        c.encodeInteger(0x100, "modifiers");
    });
    ASSERT_TRUE(byKeyCode);
    EXPECT_EQ(byKeyCode->key(), Key::k);
    EXPECT_EQ(byKeyCode->modifiers(), 0x100);
    auto byQWERTY = decodeRecord([](platform::KeyedArchiver& c) {
        c.encodeInteger(1, "QWERTYKeyCode");
        c.encodeInteger(0x1000, "modifiers");
    });
    ASSERT_TRUE(byQWERTY);
    EXPECT_EQ(byQWERTY->key(), Key::s);
    // Nothing at all: every missing integer reads as 0, the code of `a`.
    auto empty = decodeRecord([](platform::KeyedArchiver&) {});
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->key(), Key::a);
    EXPECT_EQ(empty->modifiers(), 0);
    EXPECT_FALSE(empty->doubledModifiers());
    // A double tap ignores whatever key it carries.
    auto doubled = decodeRecord([](platform::KeyedArchiver& c) {
        c.encodeObject("nonsense", "key");
        c.encodeInteger(0x200, "modifiers");
        c.encodeBool(true, "doubledModifiers");
    });
    ASSERT_TRUE(doubled);
    EXPECT_EQ(doubled->key(), Key::a);
    EXPECT_TRUE(doubled->doubledModifiers());
}

TEST_F(KeyComboTest, KeyedArchiveRefusesRecordsThatNameNoKey) {
    const std::vector<std::pair<const char*, std::function<void(platform::KeyedArchiver&)>>> records = {
        {"key names no case, key code present",
         [](platform::KeyedArchiver& c) {
             c.encodeObject("K", "key");
             c.encodeInteger(40, "keyCode");
             c.encodeInteger(0x100, "modifiers");
         }},
        {"key is no text",
         [](platform::KeyedArchiver& c) {
             c.encodeInteger(40, "key");
             c.encodeInteger(0x100, "modifiers");
         }},
        {"key is null",
         [](platform::KeyedArchiver& c) {
             c.encodeObject(nullptr, "key");
             c.encodeInteger(0x100, "modifiers");
         }},
        {"key code of no key",
         [](platform::KeyedArchiver& c) {
             c.encodeInteger(52, "keyCode");
             c.encodeInteger(0x100, "modifiers");
         }},
        {"QWERTY code of no key",
         [](platform::KeyedArchiver& c) {
             c.encodeInteger(300, "QWERTYKeyCode");
             c.encodeInteger(0x100, "modifiers");
         }},
    };
    for (const auto& [label, write] : records) {
        EXPECT_EQ(decodeRecord(write), nullptr) << label;
    }
}

TEST_F(KeyComboTest, KeyedArchiveKeepsAnEmptyMaskAndCopyKeepsItToo) {
    auto decoded = decodeRecord([](platform::KeyedArchiver& c) {
        c.encodeObject("k", "key");
        c.encodeInteger(0, "modifiers");
        c.encodeBool(false, "doubledModifiers");
    });
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->modifiers(), 0);
    auto copy = decoded->copy();
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy->isEqual(*decoded));
}

}  // namespace
