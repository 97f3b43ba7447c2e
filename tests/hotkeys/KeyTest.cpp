#include "hotkeys/Key.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/appkit/Menu.h"
#include "support/FreltTest.h"

using namespace frelt;

namespace {

class KeyTest : public FreltTest {};

TEST_F(KeyTest, TableHasEveryCaseWithItsRawValueAndCode) {
    struct Row {
        Key key;
        const char* raw;
        int code;
    };
    const Row rows[] = {
        {Key::a, "a", 0},          {Key::b, "b", 11},           {Key::t, "t", 17},
        {Key::one, "one", 18},      {Key::six, "six", 22},       {Key::five, "five", 23},
        {Key::rightBracket, "rightBracket", 30}, {Key::l, "l", 37}, {Key::grave, "grave", 50},
        {Key::keypadDecimal, "keypadDecimal", 65}, {Key::keypadEight, "keypadEight", 91},
        {Key::return_, "return", 36}, {Key::delete_, "delete", 51}, {Key::f17, "f17", 64},
        {Key::help, "help", 114},   {Key::forwardDelete, "forwardDelete", 117},
        {Key::pageUp, "pageUp", 116}, {Key::upArrow, "upArrow", 126}, {Key::yen, "yen", 93},
        {Key::eisu, "eisu", 102},   {Key::kana, "kana", 104},    {Key::atSign, "atSign", 33},
        {Key::caret, "caret", 24},  {Key::colon, "colon", 39},   {Key::section, "section", 10},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.raw);
        EXPECT_EQ(rawValue(row.key), row.raw);
        EXPECT_EQ(QWERTYKeyCode(row.key), row.code);
        EXPECT_EQ(keyFromRawValue(row.raw), row.key);
    }

    // Every case round-trips through its raw value, all raw values differ, and
    // every code lies in 0...126.
    std::set<std::string_view> names;
    for (std::size_t i = 0; i < keyCaseCount; ++i) {
        const Key key = allKeys()[i];
        EXPECT_EQ(keyFromRawValue(rawValue(key)), key);
        EXPECT_LE(QWERTYKeyCode(key), 126);
        names.insert(rawValue(key));
    }
    EXPECT_EQ(names.size(), keyCaseCount);
    EXPECT_EQ(rawValue(allKeys()[keyCaseCount - 1]), "section");
}

TEST_F(KeyTest, RawValueMatchesExactly) {
    EXPECT_EQ(keyFromRawValue("A"), std::nullopt);
    EXPECT_EQ(keyFromRawValue("RightBracket"), std::nullopt);
    EXPECT_EQ(keyFromRawValue(""), std::nullopt);
    EXPECT_EQ(keyFromRawValue("return_"), std::nullopt);
}

TEST_F(KeyTest, KeyCodeLookupAnswersTheFirstCaseAndNothingForGaps) {
    EXPECT_EQ(keyFromQWERTYKeyCode(10), Key::section);
    EXPECT_EQ(keyFromQWERTYKeyCode(11), Key::b);
    EXPECT_EQ(keyFromQWERTYKeyCode(24), Key::equal);
    EXPECT_EQ(keyFromQWERTYKeyCode(33), Key::leftBracket);
    EXPECT_EQ(keyFromQWERTYKeyCode(39), Key::quote);
    EXPECT_EQ(keyFromQWERTYKeyCode(126), Key::upArrow);
    for (int gap : {52, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 66, 68, 70, 72, 73, 74, 77, 108, 110, 112, 127,
                    128, 65535, -1, -33}) {
        EXPECT_EQ(keyFromQWERTYKeyCode(gap), std::nullopt) << gap;
    }
    // Every code that has a key leads back to a key with that code.
    int mapped = 0;
    for (int code = 0; code <= 126; ++code) {
        if (auto key = keyFromQWERTYKeyCode(code)) {
            EXPECT_EQ(QWERTYKeyCode(*key), code);
            ++mapped;
        }
    }
    EXPECT_EQ(mapped, 106);  // 109 cases, three JIS keys share a code
    EXPECT_EQ(QWERTYKeyCode(Key::atSign), 33);
    EXPECT_EQ(QWERTYKeyCode(Key::caret), 24);
    EXPECT_EQ(QWERTYKeyCode(Key::colon), 39);
}

TEST_F(KeyTest, ParsesCharactersAndNames) {
    struct Case {
        const char* text;
        std::optional<std::int64_t> code;
        std::optional<Key> expected;
    };
    const std::optional<std::int64_t> none;
    const Case cases[] = {
        {"A", none, Key::a},
        {"RETURN", none, Key::return_},
        {"Return", none, Key::return_},
        {"\r", none, Key::return_},
        {"\n", none, Key::return_},
        {"\u21A9", none, Key::return_},
        {"Space", none, Key::space},
        {" ", none, std::nullopt},
        {"\t", none, std::nullopt},
        {"TAB", none, Key::tab},
        {"\u21E5", none, Key::tab},
        {"1", none, Key::one},
        {"1", 18, Key::one},
        {"1", 83, Key::keypadOne},
        {"one", 83, std::nullopt},
        {"keypad1", none, Key::keypadOne},
        {"KeypadOne", 18, Key::keypadOne},
        {".", 47, Key::period},
        {".", none, Key::period},
        {".", 65, Key::keypadDecimal},
        {",", 95, Key::keypadComma},
        {",", none, Key::comma},
        {"period", 65, Key::period},
        {"comma", 95, Key::comma},
        {"slash", 75, std::nullopt},
        {"/", 75, Key::keypadDivide},
        {"/", none, Key::slash},
        {"=", 81, Key::keypadEquals},
        {"-", 78, Key::keypadMinus},
        {"0", 82, Key::keypadZero},
        {"\u00A5", none, Key::yen},
        {"_", none, Key::underscore},
        {"\u82F1\u6570", none, Key::eisu},
        {"\u304B\u306A", none, Key::kana},
        {"@", none, Key::atSign},
        {"^", none, Key::caret},
        {":", none, Key::colon},
        {"\u00A7", none, Key::section},
        {"yen", none, std::nullopt},
        {"eisu", none, std::nullopt},
        {"atsign", none, std::nullopt},
        {"keypadcomma", none, std::nullopt},
        {"F12", none, Key::f12},
        {"PageUp", none, Key::pageUp},
        {"?\u20DD", none, Key::help},
        {"\u2327", none, Key::keypadClear},
        {"\\", none, Key::backslash},
        {"`", none, Key::grave},
        {"", none, std::nullopt},
        {"ab", none, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\" code " + (c.code ? std::to_string(*c.code) : "none"));
        EXPECT_EQ(keyFromCharacter(c.text, c.code), c.expected);
    }
}

TEST_F(KeyTest, ParsingComparesCanonicallyEquivalentTexts) {
    // "?" followed by the enclosing circle is already decomposed; a text whose
    // lower-casing yields a decomposable form still finds its key.
    EXPECT_EQ(keyFromCharacter("KEYPADENTER"), Key::keypadEnter);
    // U+212A KELVIN SIGN lower-cases to "k".
    EXPECT_EQ(keyFromCharacter("\u212A"), Key::k);
}

TEST_F(KeyTest, SpecialKeysByCode) {
    EXPECT_EQ(specialKeyFromKeyCode(35), std::nullopt);
    EXPECT_EQ(specialKeyFromKeyCode(127), std::nullopt);
    EXPECT_EQ(specialKeyFromKeyCode(75), std::nullopt);
    EXPECT_EQ(specialKeyFromKeyCode(-1), std::nullopt);
    ASSERT_TRUE(specialKeyFromKeyCode(49));
    EXPECT_EQ(character(*specialKeyFromKeyCode(49)), "Space");
    EXPECT_EQ(character(*specialKeyFromKeyCode(71)), "\u2327");
    EXPECT_EQ(character(*specialKeyFromKeyCode(76)), "\u2305");
    EXPECT_EQ(character(*specialKeyFromKeyCode(114)), "?\u20DD");
    EXPECT_EQ(character(*specialKeyFromKeyCode(102)), "\u82F1\u6570");
    EXPECT_EQ(character(*specialKeyFromKeyCode(122)), "F1");

    // Each of the 39 labelled keys is found by its own code, and its label
    // parses back to its key.
    int found = 0;
    for (int code = 0; code < 130; ++code) {
        if (auto special = specialKeyFromKeyCode(code)) {
            ++found;
            EXPECT_EQ(keyCode(*special), code);
            EXPECT_EQ(keyFromCharacter(character(*special), code), keyFromQWERTYKeyCode(code)) << code;
        }
    }
    EXPECT_EQ(found, static_cast<int>(specialKeyCaseCount));
}

TEST_F(KeyTest, MenuItemKeyPrefersTheUsersEquivalent) {
    EXPECT_EQ(keyForMenuItem("", "K"), Key::k);
    EXPECT_EQ(keyForMenuItem("j", "K"), Key::j);
    EXPECT_EQ(keyForMenuItem("", ""), std::nullopt);
    auto item = std::make_shared<platform::MenuItem>("Open", platform::Selector("open:"), "O");
    EXPECT_EQ(keyForMenuItem(*item), Key::o);
    item->setKeyEquivalent("");
    EXPECT_EQ(keyForMenuItem(*item), std::nullopt);
}

TEST_F(KeyTest, StructuredFormIsTheRawValue) {
    EXPECT_EQ(encodeKey(Key::pageDown), platform::Value("pageDown"));
    EXPECT_EQ(decodeKey(platform::Value("return")), Key::return_);
    try {
        decodeKey(platform::Value("Return"));
        FAIL() << "decoded a name of no case";
    } catch (const DecodingError& error) {
        EXPECT_EQ(error.kind(), DecodingError::Kind::dataCorrupted);
    }
    try {
        decodeKey(platform::Value(3));
        FAIL() << "decoded a number";
    } catch (const DecodingError& error) {
        EXPECT_EQ(error.kind(), DecodingError::Kind::typeMismatch);
    }
}

}  // namespace
