#include "hotkeys/KeyboardLayout.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "hotkeys/HotkeyConstants.h"
#include "hotkeys/KeyCombo.h"
#include "platform/carbon/InputSources.h"
#include "platform/foundation/NotificationCenter.h"
#include "support/FreltTest.h"

using namespace frelt;
namespace cm = frelt::carbonmodifiers;

namespace {

// A layout like the US one, with some codes typing something else (plain,
// shifted; option types the plain text).
std::shared_ptr<const platform::KeyLayout> usWith(const std::map<std::uint16_t, std::pair<std::string, std::string>>& changes) {
    platform::KeyLayout::Rows rows;
    const auto us = platform::KeyLayout::unitedStates();
    for (std::uint16_t code = 0; code < platform::KeyLayout::keyCodeCount; ++code)
        for (std::uint32_t state : {0u, 2u, 8u, 10u}) rows[code][platform::KeyLayout::stateIndex(state)] = us->translate(code, state);
    for (const auto& [code, texts] : changes) rows[code] = {texts.first, texts.second, texts.first, texts.second};
    return std::make_shared<const platform::KeyLayout>(std::move(rows));
}

platform::InputSourceRef source(const std::string& id, std::shared_ptr<const platform::KeyLayout> layout,
                                std::optional<std::string> mode = std::nullopt) {
    platform::InputSourceProperties p;
    p.inputSourceID = id;
    p.inputModeID = std::move(mode);
    p.isASCIICapable = true;
    p.keyLayoutData = std::move(layout);
    return std::make_shared<const platform::InputSourceProperties>(std::move(p));
}

// The German arrangement of the letters that matter here: y and z trade places.
platform::InputSourceRef german() { return source("de", usWith({{6, {"y", "Y"}}, {16, {"z", "Z"}}})); }

class KeyboardLayoutTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        service = std::make_shared<platform::HeadlessInputSourceService>();
        platform::InputSourceService::setShared(service);
        for (const char* name : {HotkeyNotifications::keyTranslatorSelectedKeyboardInputSourceChanged,
                                 HotkeyNotifications::keyTranslatorSelectedKeyboardKeyCodesChanged,
                                 HotkeyNotifications::keyTranslatorEnabledKeyboardInputSourcesChanged})
            observations.push_back(platform::NotificationCenter::defaultCenter().observe(
                name, nullptr, [this](const platform::Notification& n) { posted.push_back(n.name); }));
    }

    std::shared_ptr<KeyTranslator> translator() { return KeyTranslator::shared(); }

    std::shared_ptr<platform::HeadlessInputSourceService> service;
    std::vector<std::string> posted;
    std::vector<platform::Subscription> observations;
};

TEST_F(KeyboardLayoutTest, TheBuiltInUSLayoutMapsKeysToTheirOwnCodes) {
    const auto t = translator();
    EXPECT_EQ(t->layout().currentKeyboardLayoutInputSource()->id, "us");
    EXPECT_EQ(t->keyCode(Key::z), 6);
    EXPECT_EQ(t->currentKey(6), Key::z);
    // Labelled keys map through their labels, keypad keys through their codes.
    const std::vector<std::pair<Key, std::uint16_t>> labelled = {
        {Key::return_, 36}, {Key::tab, 48}, {Key::space, 49}, {Key::delete_, 51}, {Key::escape, 53},
        {Key::f1, 122}, {Key::f20, 90}, {Key::upArrow, 126}, {Key::keypadDecimal, 65}, {Key::keypadDivide, 75},
        {Key::keypadMinus, 78}, {Key::keypadEquals, 81}, {Key::keypadOne, 83}, {Key::keypadNine, 92},
        {Key::one, 18}, {Key::period, 47}, {Key::comma, 43},
    };
    for (const auto& [key, code] : labelled) {
        SCOPED_TRACE(std::string(rawValue(key)));
        EXPECT_EQ(t->keyCode(key), code);
        EXPECT_EQ(t->currentKey(code), key);
    }
    EXPECT_EQ(t->character(0, 0), "a");
    EXPECT_EQ(t->character(0, cm::shift), "A");
    EXPECT_EQ(t->character(0, cm::command), "a");
    EXPECT_EQ(t->character(0, cm::control), "a");
    EXPECT_EQ(t->character(36, cm::shift | cm::option), "\u21A9");
    EXPECT_EQ(t->characterWithCocoaModifiers(0, modifierflags::shift | modifierflags::command), "A");
}

TEST_F(KeyboardLayoutTest, MapsFollowWhatEachCodeTypes) {
    // Code 18 types "&" as on a French keyboard, code 20 types a "2" like
    // code 19, and code 11 types nothing that names a key.
    service->select(source("odd", usWith({{18, {"&", "1"}}, {20, {"2", "\""}}, {11, {"\u00E9", "\u00C9"}}})));
    const auto t = translator();
    EXPECT_EQ(t->currentKey(18), std::nullopt);
    EXPECT_EQ(t->key(18), Key::one) << "callers fall back to the fixed table";
    EXPECT_EQ(t->keyCode(Key::two), 19) << "the lower of two codes keeps the key";
    EXPECT_EQ(t->currentKey(20), std::nullopt);
    EXPECT_EQ(t->currentKey(11), std::nullopt);
    EXPECT_EQ(t->keyCode(Key::b), std::nullopt);
    EXPECT_EQ(t->keyCodeWithFallback(Key::b), 11);
}

TEST_F(KeyboardLayoutTest, SwitchingSourcesPostsWhatChanged) {
    const auto t = translator();
    service->select(platform::InputSourceService::unitedStatesSource());
    EXPECT_TRUE(posted.empty()) << "the same source again posts nothing";

    // Another source with the US map: a switch, but the codes stay.
    service->select(source("us", platform::KeyLayout::unitedStates(), "intl"));
    EXPECT_EQ(posted, (std::vector<std::string>{"KeyTranslatorSelectedKeyboardInputSourceChanged"}));

    posted.clear();
    service->select(german());
    EXPECT_EQ(posted, (std::vector<std::string>{"KeyTranslatorSelectedKeyboardInputSourceChanged",
                                                "KeyTranslatorSelectedKeyboardKeyCodesChanged"}));
    EXPECT_EQ(t->keyCode(Key::z), 16);
    EXPECT_EQ(t->keyCode(Key::y), 6);
    EXPECT_EQ(t->currentKey(6), Key::y);
    EXPECT_EQ(KeyCombo::make(Key::z, modifierflags::command)->keyCode(), 16);
    EXPECT_EQ(KeyCombo::make(Key::z, modifierflags::command | modifierflags::shift)->displayString(),
              "Shift+Ctrl+Z");

}

TEST_F(KeyboardLayoutTest, CharactersComeFromTheASCIICapableSourceWhenTheCurrentOneHasNoKeyLayout) {
    platform::InputSourceProperties method;
    method.inputSourceID = "input-method";
    service->select(std::make_shared<const platform::InputSourceProperties>(method), german());
    const auto t = translator();
    EXPECT_EQ(t->currentKeyCodes(), std::nullopt);
    EXPECT_EQ(t->keyCode(Key::z), std::nullopt);
    EXPECT_EQ(t->currentCharacter(6, 0), std::nullopt);
    EXPECT_EQ(t->character(6, 0), "y");
    EXPECT_EQ(KeyCombo::make(Key::z, modifierflags::command)->keyCode(), 6) << "the fixed table answers";
}

TEST_F(KeyboardLayoutTest, ChangingTheEnabledSourcesMapsThemAfresh) {
    service->setEnabledInputSources(std::vector<platform::InputSourceRef>{
        platform::InputSourceService::unitedStatesSource(), german()});
    const auto t = translator();
    ASSERT_EQ(t->currentInputSources().size(), 2u);
    const auto de = t->currentInputSources()[1];
    EXPECT_EQ(t->keyCode(*de, Key::z), 16);
    EXPECT_EQ(t->key(*de, 6), Key::y);
    EXPECT_EQ(t->character(*de, 16, cm::shift), "Z");

    service->setEnabledInputSources(std::vector<platform::InputSourceRef>{platform::InputSourceService::unitedStatesSource()});
    EXPECT_EQ(posted, (std::vector<std::string>{"KeyTranslatorEnabledKeyboardInputSourcesChanged"}));
    EXPECT_EQ(t->keyCodes(*de), std::nullopt) << "a removed source keeps no map";
    EXPECT_EQ(t->currentInputSources().size(), 1u);

    // No list at all: what was there stays.
    service->setEnabledInputSources(std::nullopt);
    EXPECT_EQ(t->currentInputSources().size(), 1u);
    EXPECT_EQ(t->keyCode(Key::z), 6);
}

TEST_F(KeyboardLayoutTest, SourcesAreEqualByIdAndMode) {
    const auto a = InputSource::make(source("de", nullptr));
    const auto b = InputSource::make(source("de", platform::KeyLayout::unitedStates()));
    const auto c = InputSource::make(source("de", nullptr, "nodeadkeys"));
    EXPECT_TRUE(*a == *b);
    EXPECT_FALSE(*a == *c);
    platform::InputSourceProperties unnamed;
    const auto first = InputSource::make(std::make_shared<const platform::InputSourceProperties>(unnamed));
    const auto second = InputSource::make(std::make_shared<const platform::InputSourceProperties>(unnamed));
    EXPECT_FALSE(first->id.empty());
    EXPECT_FALSE(*first == *second) << "a source without an id gets one of its own";
}

}  // namespace
