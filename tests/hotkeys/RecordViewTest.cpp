#include <gtest/gtest.h>

#include "hotkeys/KeyTranslating.h"
#include "hotkeys/RecordView.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Beep.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Layer.h"
#include "platform/appkit/TextMetrics.h"
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
    std::vector<platform::AttributedString> strings;
    void drawAttributedString(const platform::AttributedString& s, const Rect& rect) override {
        strings.push_back(s);
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
    EXPECT_EQ(delegate->calls, (Calls{"shouldBegin", "canRecord Shift+Ctrl+K", "callback Shift+Ctrl+K",
                                      "didChange Shift+Ctrl+K", "didEnd"}));
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
    EXPECT_EQ(delegate->calls, (Calls{"canRecord Ctrl+K"}));
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
    EXPECT_EQ(delegate->calls, (Calls{"canRecord double Ctrl", "callback double Ctrl", "didChange double Ctrl", "didEnd"}));
    ASSERT_TRUE(recorder->keyCombo());
    EXPECT_TRUE(recorder->keyCombo()->doubledModifiers());

    const auto texts = drawnTexts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "double Ctrl");
    EXPECT_EQ(texts[0].color, tint());
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

TEST_F(RecordViewTest, ThePlaceholderGivesWayToHeldModifiersAndTheyToTheCombination) {
    const std::string grey = "rgba(0.6667 0.6667 0.6667 1)";
    auto shown = [&] {
        const auto texts = drawnTexts();
        EXPECT_EQ(texts.size(), 1u);
        return texts.empty() ? TextCapture::Text{} : texts[0];
    };
    EXPECT_EQ(shown().text, RecordView::idlePlaceholder);
    EXPECT_EQ(shown().color, grey);
    startRecording();
    EXPECT_EQ(shown().text, RecordView::recordingPlaceholder);
    EXPECT_EQ(shown().color, grey);
    // Held in any order, named in the desktop's.
    kit::changeFlags(pmf::option, kc::option);
    kit::changeFlags(pmf::option | pmf::command, kc::command);
    EXPECT_EQ(shown().text, "Ctrl+Alt+");
    EXPECT_EQ(shown().color, tint());

    recorder->setKeyCombo(KeyCombo::make(Key::a, pmf::shift | pmf::control));
    EXPECT_EQ(shown().text, "Shift+Super+A") << "the combination is shown, not the held modifiers";
    kit::changeFlags(0, kc::command);
    window->makeFirstResponder(nullptr);
    recorder->setKeyCombo(nullptr);
    EXPECT_EQ(shown().text, RecordView::idlePlaceholder) << "held modifiers are forgotten when recording ends";
}

// The words of a combination are set smaller in a narrow recorder (and
// broken at a "+" or space onto two lines when even that is too wide), never cut
// and never running into the clear button (or past the right edge without
// one), at every size from the narrowest table cells to the settings' own.
TEST_F(RecordViewTest, TheWordsFitBesideTheClearButtonInNarrowRecorders) {
    const KeyCombo::Ptr combos[] = {
        KeyCombo::make(Key::space, pmf::command | pmf::option),
        KeyCombo::make(Key::one, pmf::shift | pmf::command),
        KeyCombo::make(Key::k, pmf::control),
        KeyCombo::makeDoubled(pmf::shift),
        KeyCombo::make(Key::pageDown, pmf::command | pmf::option),
        KeyCombo::make(Key::f12, pmf::shift | pmf::command | pmf::option),
        KeyCombo::make(Key::k, pmf::shift | pmf::command | pmf::option | pmf::control),
        nullptr,  // the placeholder
    };
    for (const double height : {22.0, 24.0, 26.0}) {
        for (const double width : {80.0, 90.0, 100.0, 140.0}) {
            for (const auto mode : {ClearButtonMode::always, ClearButtonMode::never}) {
                for (const auto& combo : combos) {
                    recorder->setFrameSize({width, height});
                    recorder->setClearButtonMode(mode);
                    recorder->setKeyCombo(combo);
                    const std::string expected = combo ? combo->displayString() : RecordView::idlePlaceholder;
                    const std::string where = expected + " at " + std::to_string(int(width)) + "x" +
                                              std::to_string(int(height)) +
                                              (mode == ClearButtonMode::never ? " without button" : "");
                    TextCapture capture;
                    {
                        platform::GraphicsContext::Scope scope(capture);
                        recorder->drawRect(recorder->bounds());
                    }
                    ASSERT_EQ(capture.texts.size(), 1u) << where;
                    const auto& text = capture.texts[0];
                    std::string shown;
                    const double limit = mode == ClearButtonMode::never ? width : recorder->clearButton()->frame().minX();
                    for (const auto& line : platform::textMetrics().layOut(capture.strings.at(0), text.rect)) {
                        // Broken onto two lines at a "+" or a space.
                        if (!shown.empty() && shown.back() != '+') shown += ' ';
                        shown += line.text.string();
                        EXPECT_LT(line.origin.x + line.width, limit) << where;
                        EXPECT_GE(line.origin.y, 0) << where;
                        EXPECT_LE(line.origin.y + line.height, height + 0.01) << where;
                    }
                    EXPECT_EQ(shown, expected) << where << ": cut";
                    EXPECT_GE(text.rect.minX(), 0) << where;
                    const auto font = capture.strings[0].attributesAt(0).attributes.font;
                    ASSERT_TRUE(font);
                    EXPECT_GE(font->pointSize(), RecordView::minimumFontSize) << where;
                }
            }
        }
    }
    // Wide enough, the words keep the recorder's full size.
    recorder->setFrameSize({200, 24});
    recorder->setKeyCombo(KeyCombo::make(Key::k, pmf::command));
    TextCapture capture;
    {
        platform::GraphicsContext::Scope scope(capture);
        recorder->drawRect(recorder->bounds());
    }
    EXPECT_EQ(capture.strings.at(0).attributesAt(0).attributes.font->pointSize(), 14);
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
