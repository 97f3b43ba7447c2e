#include <gtest/gtest.h>

#include "hotkeys/KeyTranslating.h"
#include "hotkeys/RecordView.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Beep.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Layer.h"
#include "platform/appkit/Window.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace frelt;
using platform::Color;
using platform::Rect;
using Calls = std::vector<std::string>;
namespace pmf = platform::modifierflags;
namespace kc = platform::keycode;

namespace {

class RecordingDelegate : public RecordViewDelegate {
public:
    Calls calls;
    bool shouldBegin = true;
    bool canRecord = true;
    bool recordViewShouldBeginRecording(RecordView&) override {
        calls.push_back("shouldBegin");
        return shouldBegin;
    }
    bool recordViewCanRecordKeyCombo(RecordView&, const KeyCombo::Ptr& combo) override {
        calls.push_back("canRecord " + combo->displayString());
        return canRecord;
    }
    void recordViewDidChangeKeyCombo(RecordView&, const KeyCombo::Ptr& combo) override {
        calls.push_back("didChange " + (combo ? combo->displayString() : std::string("none")));
    }
    void recordViewDidEndRecording(RecordView&) override { calls.push_back("didEnd"); }
};

// The texts a drawing pass writes, with their colour and rectangle.
class TextCapture : public platform::RecordingGraphicsContext {
public:
    struct Text {
        std::string text;
        std::string color;
        Rect rect;
    };
    std::vector<Text> texts;
    void drawAttributedString(const platform::AttributedString& s, const Rect& rect) override {
        const auto& attributes = s.attributesAt(0).attributes;
        texts.push_back({s.string(), attributes.foregroundColor ? platform::describeColor(*attributes.foregroundColor) : "",
                         rect});
        RecordingGraphicsContext::drawAttributedString(s, rect);
    }
};

class RecordViewTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        window = std::make_shared<platform::Window>(Rect(0, 0, 400, 200));
        recorder = RecordView::make(Rect(10, 10, 200, 24));
        other = std::make_shared<platform::View>(Rect(10, 100, 50, 20));
        window->contentView()->addSubview(recorder);
        window->contentView()->addSubview(other);
        recorder->setDelegate(delegate);
        recorder->didChange = [this](const KeyCombo::Ptr& c) {
            delegate->calls.push_back("callback " + (c ? c->displayString() : std::string("none")));
        };
        kit::makeKey(window);
    }
    void TearDown() override {
        KeyTranslating::setShared(nullptr);
        FreltTest::TearDown();
    }
    void startRecording() {
        kit::clickView(recorder);
        ASSERT_TRUE(recorder->isRecording);
        delegate->calls.clear();
    }
    std::vector<TextCapture::Text> drawnTexts() {
        TextCapture capture;
        platform::GraphicsContext::Scope scope(capture);
        recorder->drawRect(recorder->bounds());
        return capture.texts;
    }
    std::string tint() const { return platform::describeColor(recorder->tintColor()); }

    std::shared_ptr<platform::Window> window;
    std::shared_ptr<RecordView> recorder;
    std::shared_ptr<platform::View> other;
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
};

TEST_F(RecordViewTest, ACombinationIsAskedForStoredToldAndEndsRecordingInThatOrder) {
    kit::clickView(recorder);
    EXPECT_TRUE(recorder->isRecording);
    EXPECT_EQ(window->firstResponder(), recorder);
    kit::pressShortcut('k', pmf::command | pmf::shift);
    EXPECT_EQ(delegate->calls, (Calls{"shouldBegin", "canRecord \u21E7\u2318 K", "callback \u21E7\u2318 K",
                                      "didChange \u21E7\u2318 K", "didEnd"}));
    ASSERT_TRUE(recorder->keyCombo());
    EXPECT_EQ(*recorder->keyCombo(), *KeyCombo::make(Key::k, pmf::command | pmf::shift));
    EXPECT_FALSE(recorder->isRecording);
    EXPECT_NE(window->firstResponder(), recorder);
}

TEST_F(RecordViewTest, APlainKeyNeedsAModifierButFunctionKeysStandAlone) {
    struct Case {
        const char* name;
        std::uint16_t keyCode;
        platform::ModifierFlags flags;
        std::optional<KeyCombo::Ptr> recorded;  // none: not taken
    };
    const Case cases[] = {
        {"k alone", 40, 0, std::nullopt},
        {"k with Caps Lock", 40, pmf::capsLock, std::nullopt},
        {"F5 alone", 96, pmf::function, KeyCombo::make(Key::f5, 0)},
        {"F13 alone", 105, 0, KeyCombo::make(Key::f13, 0)},
        {"Shift-Option-K without Command", 40, pmf::shift | pmf::option, KeyCombo::make(Key::k, pmf::shift | pmf::option)},
        {"Control-Space", 49, pmf::control, KeyCombo::make(Key::space, pmf::control)},
        {"Shift-Escape", kc::escape, pmf::shift, KeyCombo::make(Key::escape, pmf::shift)},
    };
    for (const auto& c : cases) {
        recorder->setKeyCombo(nullptr);
        startRecording();
        kit::keyDown(c.keyCode, "", c.flags);
        if (c.recorded) {
            ASSERT_TRUE(recorder->keyCombo()) << c.name;
            EXPECT_EQ(*recorder->keyCombo(), **c.recorded) << c.name;
            EXPECT_FALSE(recorder->isRecording) << c.name;
        } else {
            EXPECT_EQ(recorder->keyCombo(), nullptr) << c.name;
            EXPECT_TRUE(recorder->isRecording) << c.name << ": recording goes on";
            EXPECT_TRUE(delegate->calls.empty()) << c.name;
        }
        window->makeFirstResponder(nullptr);
    }
    EXPECT_TRUE(KeyCombo::make(Key::f5, 0)->modifiers() & carbonmodifiers::function) << "with the function flag";
}

TEST_F(RecordViewTest, ARefusedCombinationChangesNothingAndRecordingGoesOn) {
    const auto previous = KeyCombo::make(Key::a, pmf::command);
    recorder->setKeyCombo(previous);
    delegate->canRecord = false;
    startRecording();
    kit::pressShortcut('k', pmf::command);
    EXPECT_EQ(delegate->calls, (Calls{"canRecord \u2318 K"}));
    EXPECT_EQ(recorder->keyCombo(), previous);
    EXPECT_TRUE(recorder->isRecording);
}

TEST_F(RecordViewTest, TwoTapsOfCommandRecordADoubleTap) {
    startRecording();
    kit::changeFlags(pmf::command, kc::command);
    advance(0.1);
    kit::changeFlags(0, kc::command);
    advance(0.1);
    kit::changeFlags(pmf::command, kc::command);
    EXPECT_EQ(delegate->calls, (Calls{"canRecord \u2318 double tap", "callback \u2318 double tap",
                                      "didChange \u2318 double tap", "didEnd"}));
    ASSERT_TRUE(recorder->keyCombo());
    EXPECT_TRUE(recorder->keyCombo()->doubledModifiers());

    // Shown: the command symbol in the tint, the others light grey, and "double tap".
    const auto texts = drawnTexts();
    ASSERT_EQ(texts.size(), 5u);
    const std::string grey = "rgba(0.6667 0.6667 0.6667 1)";
    EXPECT_EQ(texts[0].color, grey);
    EXPECT_EQ(texts[1].color, grey);
    EXPECT_EQ(texts[2].color, grey);
    EXPECT_EQ(texts[3].text, "\u2318");
    EXPECT_EQ(texts[3].color, tint());
    EXPECT_EQ(texts[4].text, "double tap");
}

TEST_F(RecordViewTest, TapsTooFarApartRecordNothing) {
    startRecording();
    kit::changeFlags(pmf::shift, kc::shift);
    kit::changeFlags(0, kc::shift);
    advance(0.35);
    kit::changeFlags(pmf::shift, kc::shift);
    EXPECT_EQ(recorder->keyCombo(), nullptr);
    EXPECT_TRUE(recorder->isRecording);
}

TEST_F(RecordViewTest, EscapeEndsRecordingAndKeepsTheCombination) {
    const auto previous = KeyCombo::make(Key::a, pmf::command);
    recorder->setKeyCombo(previous);
    startRecording();
    kit::pressKey(kc::escape);
    EXPECT_EQ(delegate->calls, (Calls{"didEnd"}));
    EXPECT_EQ(recorder->keyCombo(), previous);
    EXPECT_FALSE(recorder->isRecording);
}

TEST_F(RecordViewTest, TheClearButtonRemovesTheCombinationAndEndsRecording) {
    recorder->setClearButtonMode(ClearButtonMode::whenRecorded);
    drawnTexts();
    EXPECT_TRUE(recorder->clearButton()->isHidden()) << "nothing recorded, nothing to clear";

    recorder->setKeyCombo(KeyCombo::make(Key::a, pmf::command));
    drawnTexts();
    ASSERT_FALSE(recorder->clearButton()->isHidden());
    startRecording();
    kit::clickView(recorder->clearButton());
    EXPECT_EQ(delegate->calls, (Calls{"callback none", "didChange none", "didEnd"}));
    EXPECT_EQ(recorder->keyCombo(), nullptr);
    EXPECT_FALSE(recorder->isRecording);

    recorder->setClearButtonMode(ClearButtonMode::never);
    recorder->setKeyCombo(KeyCombo::make(Key::a, pmf::command));
    drawnTexts();
    EXPECT_TRUE(recorder->clearButton()->isHidden());
}

TEST_F(RecordViewTest, ADisabledRecorderIgnoresClicksAndDisablingEndsRecording) {
    startRecording();
    recorder->setEnabled(false);
    EXPECT_FALSE(recorder->isRecording);
    EXPECT_EQ(delegate->calls, (Calls{"didEnd"}));

    delegate->calls.clear();
    kit::clickView(recorder);
    EXPECT_FALSE(recorder->isRecording);
    EXPECT_FALSE(recorder->beginRecording());
    EXPECT_TRUE(delegate->calls.empty());

    recorder->setKeyCombo(KeyCombo::make(Key::a, pmf::command));
    for (const auto& t : drawnTexts())
        EXPECT_EQ(t.color, "rgba(0 0 0 0.25)") << t.text << ": everything in the disabled colour";
}

TEST_F(RecordViewTest, ARefusedBeginBeepsAndStaysIdle) {
    delegate->shouldBegin = false;
    const auto beeps = platform::beepCount();
    kit::clickView(recorder);
    EXPECT_GT(platform::beepCount(), beeps);
    EXPECT_FALSE(recorder->isRecording);
    EXPECT_NE(window->firstResponder(), recorder);
}

TEST_F(RecordViewTest, HeldModifiersShowOnlyWhileNoCombinationIsSet) {
    startRecording();
    kit::changeFlags(pmf::option, kc::option);
    auto texts = drawnTexts();
    EXPECT_EQ(texts[2].text, "\u2325");
    EXPECT_EQ(texts[2].color, tint());

    recorder->setKeyCombo(KeyCombo::make(Key::a, pmf::command));
    texts = drawnTexts();
    EXPECT_NE(texts[2].color, tint()) << "the combination's modifiers are shown, not the held ones";
    EXPECT_EQ(texts[3].color, tint());
}

TEST_F(RecordViewTest, TheKeyTextFitsBesideTheSymbolsOrIsLeftOut) {
    recorder->setKeyCombo(KeyCombo::make(Key::a, pmf::command));
    recorder->setFrameSize({80, 24});
    EXPECT_EQ(drawnTexts().size(), 4u) << "no room for the key: about -10 points";
    recorder->setFrameSize({100, 24});
    const auto texts = drawnTexts();
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_NEAR(texts[4].rect.minX(), 67.87, 0.01);
    EXPECT_NEAR(texts[4].rect.width(), 9.87, 0.01);
    EXPECT_NEAR(texts[0].rect.minX(), 5.70, 0.01);
    EXPECT_NEAR(texts[0].rect.width(), 14.12, 0.01);
    // The clear button at the right end: u / 1.3 on each side.
    EXPECT_NEAR(recorder->clearButton()->frame().width(), 10.86, 0.01);
    EXPECT_NEAR(recorder->clearButton()->frame().maxX(), 100 - 5.70, 0.01);

    struct Case {
        Key key;
        std::string text;
    };
    for (const auto& c : {Case{Key::space, "SPACE"}, Case{Key::f5, "F5"}, Case{Key::return_, "\u21A9"}, Case{Key::a, "A"}}) {
        recorder->setFrameSize({200, 24});
        recorder->setKeyCombo(KeyCombo::make(c.key, pmf::command));
        EXPECT_EQ(drawnTexts().at(4).text, c.text);
    }
}

TEST_F(RecordViewTest, TheFocusRingShowsOnlyWhileRecordingAndKeyViewsNeedFullKeyboardAccess) {
    EXPECT_EQ(recorder->focusRingMaskBounds(), Rect()) << "no ring while idle";
    startRecording();
    EXPECT_EQ(recorder->focusRingMaskBounds(), recorder->bounds());
    EXPECT_FALSE(recorder->canBecomeKeyView()) << "only with full keyboard access";
    platform::Application::shared()->setFullKeyboardAccessEnabled(true);
    EXPECT_TRUE(recorder->canBecomeKeyView());
    platform::Application::shared()->setFullKeyboardAccessEnabled(false);
}

}  // namespace
