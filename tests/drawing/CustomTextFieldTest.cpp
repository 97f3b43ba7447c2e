#include <gtest/gtest.h>

#include "drawing/controls/CustomTextField.h"
#include "drawing/controls/TextLimit.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Pasteboard.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/NotificationCenter.h"
#include "settings/ConfigCells.h"
#include "store/StoreConstants.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace platform;
using namespace frelt;
using Calls = std::vector<std::string>;

namespace {

// The view the fields sit in: it answers undo: and redo: as an editing
// window's undo manager would.
class UndoingView : public View {
public:
    explicit UndoingView(std::shared_ptr<Calls> calls) : calls_(std::move(calls)) {
        registerAction("undo:", [this](const std::shared_ptr<Object>&) { calls_->push_back("undo:"); });
        registerAction("redo:", [this](const std::shared_ptr<Object>&) { calls_->push_back("redo:"); });
    }

private:
    std::shared_ptr<Calls> calls_;
};

class RecordingDelegate : public CustomTextFieldDelegate, public ControlTextEditingDelegate {
public:
    explicit RecordingDelegate(std::shared_ptr<Calls> calls) : calls_(std::move(calls)) {}
    bool answer = true;
    bool textFieldValueChanged(const std::string& oldValue, const std::string& newValue) override {
        calls_->push_back("changed " + oldValue + " -> " + newValue);
        return answer;
    }
    void controlTextDidEndEditing(const Notification&) override { calls_->push_back("delegate end"); }

private:
    std::shared_ptr<Calls> calls_;
};

class CustomTextFieldTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        window = std::make_shared<Window>(Rect(0, 0, 400, 300));
        holder = std::make_shared<UndoingView>(calls);
        holder->setFrame(Rect(0, 0, 400, 300));
        window->contentView()->addSubview(holder);
        other = std::make_shared<TextField>(Rect(10, 200, 100, 22));
        holder->addSubview(other);
    }
    template <class T>
    std::shared_ptr<T> add(std::shared_ptr<T> field, const std::string& text = "") {
        field->setFrame(Rect(10, 10, 200, 22));
        field->setStringValue(text);
        holder->addSubview(field);
        kit::makeKey(window);
        return field;
    }
    void paste(const std::string& text) {
        Pasteboard::general()->clearContents();
        Pasteboard::general()->setString(text, pasteboardtype::string);
        kit::pressShortcut('v', platform::modifierflags::command);
    }

    std::shared_ptr<Calls> calls = std::make_shared<Calls>();
    std::shared_ptr<Window> window;
    std::shared_ptr<View> holder;
    std::shared_ptr<TextField> other;
};

// --- the length limit

TEST_F(CustomTextFieldTest, PastedTextIsCutAfterTheLastWholeCharacterWithinTheLimit) {
    struct Case {
        std::optional<long> limit;
        std::string pasted, kept;
    };
    const Case cases[] = {
        {5, "abcdefgh", "abcde"},
        {5, "abc\U0001F600", "abc\U0001F600"},              // an emoji is two units: exactly 5
        {5, "abcd\U0001F600", "abcd"},                      // the pair is not split
        {5, "abcde\u0301", "abcd"},                         // e and its accent go together
        {5, "ab\U0001F1E9\U0001F1EA", "ab"},                // a flag is four units and one character
        {4, "\U0001F44D\U0001F3FDx", "\U0001F44D\U0001F3FD"},  // an emoji with its skin tone
        {5, "日本語テキスト", "日本語テキ"},
        {70, std::string(100, 'x'), std::string(70, 'x')},
        {std::nullopt, std::string(100, 'x'), std::string(100, 'x')},
        {0, std::string(100, 'x'), std::string(100, 'x')},
        {-3, "abcdefgh", "abcdefgh"},
    };
    for (const auto& c : cases) {
        auto field = add(std::make_shared<CustomTextField>());
        field->maxLength = c.limit;
        ASSERT_TRUE(window->makeFirstResponder(field));
        paste(c.pasted);
        EXPECT_EQ(field->stringValue(), c.kept) << c.pasted;
        EXPECT_EQ(field->currentEditor()->string(), c.kept) << "the editor shows the cut text";
        EXPECT_TRUE(field->currentEditor()) << "editing goes on";
        field->removeFromSuperview();
    }
}

TEST_F(CustomTextFieldTest, TypedTextStopsAtTheLimit) {
    auto field = add(std::make_shared<CustomTextField>());
    field->maxLength = 3;
    int changes = 0;
    field->didChangeHandler = [&] { ++changes; };
    ASSERT_TRUE(window->makeFirstResponder(field));
    kit::typeText("abcdef");
    EXPECT_EQ(field->stringValue(), "abc");
    EXPECT_EQ(changes, 6) << "the handler runs after every change, cut or not";
    field->currentEditor()->insertText("\u00e9");
    EXPECT_EQ(field->stringValue(), "abc");
    EXPECT_EQ(textlimit::utf16Length("a\u00e9\U0001F600日"), 5u);
}

// --- shortcuts

TEST_F(CustomTextFieldTest, CommandShortcutsGoToTheResponderChainOnlyWithExactlyTheirModifiers) {
    auto field = add(std::make_shared<CustomTextField>(), "hello");
    ASSERT_TRUE(window->makeFirstResponder(field));
    auto editor = field->currentEditor();

    // Copy the selection and paste it at the end.
    editor->setSelectedRange({0, 4});
    kit::pressShortcut('c', platform::modifierflags::command);
    EXPECT_EQ(Pasteboard::general()->stringForType(pasteboardtype::string), "hell");
    editor->setSelectedRange({5, 0});
    kit::pressShortcut('v', platform::modifierflags::command);
    EXPECT_EQ(field->stringValue(), "hellohell");
    kit::pressShortcut('a', platform::modifierflags::command);
    EXPECT_EQ(editor->selectedRange(), (TextRange{0, 9}));
    kit::pressShortcut('x', platform::modifierflags::command);
    EXPECT_EQ(field->stringValue(), "");

    struct Case {
        char key;
        std::string charactersIgnoringModifiers;
        ModifierFlags flags;
        bool taken;
        Calls expected;
    };
    const Case cases[] = {
        {'z', "z", platform::modifierflags::command, true, {"undo:"}},
        {'z', "Z", platform::modifierflags::command | platform::modifierflags::shift, true, {"redo:"}},
        // Caps Lock or another modifier: not the field's shortcut.
        {'z', "z", platform::modifierflags::command | platform::modifierflags::capsLock, false, {}},
        {'z', "z", platform::modifierflags::command | platform::modifierflags::option, false, {}},
        {'c', "c", platform::modifierflags::command | platform::modifierflags::option, false, {}},
        {'q', "q", platform::modifierflags::command, false, {}},
    };
    for (const auto& c : cases) {
        calls->clear();
        Event e = *Event::keyEvent(EventType::keyDown, 6, std::string(1, c.key), c.charactersIgnoringModifiers, c.flags,
                                   window);
        EXPECT_EQ(field->performKeyEquivalent(e), c.taken) << c.charactersIgnoringModifiers << " " << c.flags;
        EXPECT_EQ(*calls, c.expected) << c.charactersIgnoringModifiers << " " << c.flags;
    }
    // A key up is not looked at.
    Event up = *Event::keyEvent(EventType::keyUp, 6, "z", "z", platform::modifierflags::command, window);
    EXPECT_FALSE(field->performKeyEquivalent(up));
}

TEST_F(CustomTextFieldTest, HandlersRunAroundEditingAndTheEndHandlerBeforeTheDelegate) {
    auto field = add(std::make_shared<CustomTextField>(), "x");
    auto delegate = std::make_shared<RecordingDelegate>(calls);
    field->setDelegate(delegate);
    field->willBecomeFirstResponder = [&] { calls->push_back("will become"); };
    field->didBeginEditingHandler = [&] { calls->push_back(field->isCurrentlyEditing ? "begin (editing)" : "begin"); };
    field->didEndEditingHandler = [&] { calls->push_back(field->isCurrentlyEditing ? "end (editing)" : "end"); };
    ASSERT_TRUE(window->makeFirstResponder(field));
    EXPECT_TRUE(field->isCurrentlyEditing);
    kit::typeText("y");
    kit::pressKey(keycode::returnKey, "\r");
    EXPECT_EQ(*calls, (Calls{"will become", "begin (editing)", "end", "delegate end"}));
    EXPECT_FALSE(field->isCurrentlyEditing);
}

// --- tag names

class TagNameFieldTest : public CustomTextFieldTest {
protected:
    std::shared_ptr<CustomTextFieldForEditingTags> field;
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>(calls);

    void edit(const std::string& oldName, const std::string& typed) {
        field = add(std::make_shared<CustomTextFieldForEditingTags>(), oldName);
        field->setDelegate(field);
        field->maxLength = 70;
        field->customTextFieldDelegate = delegate;
        ASSERT_TRUE(window->makeFirstResponder(field));
        auto editor = field->currentEditor();
        editor->selectAll();
        editor->insertText(typed);
    }
};

TEST_F(TagNameFieldTest, TheNormalisedNameGoesToTheDelegateAndARefusalShowsTheOldName) {
    struct Case {
        std::string oldName, typed;
        bool answer;
        Calls asked;
        std::string shown;
    };
    const Case cases[] = {
        {"Work", "Office", true, {"changed Work -> Office"}, "Office"},
        {"Work", "a | b ", true, {"changed Work -> a|b"}, "a | b "},  // kept as typed, told normalised
        {"Work", "Office", false, {"changed Work -> Office"}, "Work"},
        {"Work", "  Work ", true, {}, "Work"},  // the same name after trimming: not asked
        {"Work", "   ", true, {}, "Work"},      // empty: the old name again
        {"", "New", true, {}, "New"},           // nothing before: nothing to do
    };
    for (const auto& c : cases) {
        calls->clear();
        delegate->answer = c.answer;
        edit(c.oldName, c.typed);
        window->makeFirstResponder(other);
        EXPECT_EQ(*calls, c.asked) << c.typed;
        EXPECT_EQ(field->stringValue(), c.shown) << c.typed;
        field->removeFromSuperview();
    }
}

TEST_F(TagNameFieldTest, EscapeShowsTheOldName) {
    edit("Work", "Wor");
    kit::pressKey(keycode::escape);
    EXPECT_EQ(field->stringValue(), "Work");
    window->makeFirstResponder(other);
    EXPECT_TRUE(calls->empty()) << "the old name again asks nobody";

    // Escape before any change shows the name the field had, not an older one.
    field->removeFromSuperview();
    field = add(std::make_shared<CustomTextFieldForEditingTags>(), "Home");
    field->setDelegate(field);
    ASSERT_TRUE(window->makeFirstResponder(field));
    kit::pressKey(keycode::escape);
    EXPECT_EQ(field->stringValue(), "Home");
}

// --- editable caption

class EditableLabelTest : public CustomTextFieldTest {
protected:
    void SetUp() override {
        CustomTextFieldTest::SetUp();
        label = add(std::make_shared<CustomEditableTextLabel>(), "Projects");
        label->setEditable(false);
        label->setSelectable(false);
        label->setDelegate(label);
        label->customTextFieldDelegate = delegate;
    }
    void doubleClick() { kit::clickView(label, 0, 2); }

    std::shared_ptr<CustomEditableTextLabel> label;
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>(calls);
};

TEST_F(EditableLabelTest, ADoubleClickStartsEditingWhenAllowed) {
    kit::clickView(label);
    EXPECT_FALSE(label->isEditable()) << "a single click does not";
    label->editIsAllowed = false;
    doubleClick();
    EXPECT_FALSE(label->isEditable());
    label->editIsAllowed = true;
    doubleClick();
    EXPECT_TRUE(label->isEditable());
    ASSERT_TRUE(label->currentEditor());
    EXPECT_EQ(label->currentEditor()->selectedRange(), (TextRange{0, 8})) << "all selected";
}

TEST_F(EditableLabelTest, ReturnTakesTheTrimmedValueOrRestoresAnEmptyOne) {
    doubleClick();
    label->currentEditor()->insertText("  Archive \n");
    kit::pressKey(keycode::returnKey, "\r");
    // Blanks are trimmed for the delegate; the line break is not a blank.
    EXPECT_EQ(*calls, (Calls{"changed Projects -> Archive \n"}));
    EXPECT_FALSE(label->isEditable());
    EXPECT_FALSE(label->isSelectable());
    EXPECT_FALSE(label->currentEditor()) << "back to a caption";

    calls->clear();
    label->setStringValue("Projects");
    doubleClick();
    label->currentEditor()->deleteBackward();
    kit::pressKey(keycode::returnKey, "\r");
    EXPECT_TRUE(calls->empty());
    EXPECT_EQ(label->stringValue(), "Projects");
}

TEST_F(EditableLabelTest, EscapeRestoresTheCaptionAndAsksNobody) {
    doubleClick();
    kit::pressKey(keycode::escape);
    EXPECT_EQ(label->stringValue(), "Projects") << "before any change";
    EXPECT_FALSE(label->isEditable());

    doubleClick();
    kit::typeText("Ideas");
    kit::pressKey(keycode::escape);
    EXPECT_EQ(label->stringValue(), "Projects");
    EXPECT_FALSE(label->isEditable());
    EXPECT_FALSE(label->currentEditor());
    window->makeFirstResponder(other);
    EXPECT_TRUE(calls->empty());
}

TEST_F(EditableLabelTest, LosingTheFocusEndsEditingLikeReturn) {
    doubleClick();
    kit::typeText("Ideas");
    window->makeFirstResponder(other);
    EXPECT_EQ(*calls, (Calls{"changed Projects -> Ideas"}));
    EXPECT_FALSE(label->isEditable());
    EXPECT_EQ(label->stringValue(), "Ideas");
}

// --- comments

TEST_F(CustomTextFieldTest, TheCommentFieldWritesTheEntrysCommentWhenItChanged) {
    auto entry = TableViewItem::initForURL("https://example.org", "Example", "old");
    int changes = 0;
    auto observation = NotificationCenter::defaultCenter().observe(Notifications::tableViewItemChanged, nullptr,
                                                                   [&](const Notification&) { ++changes; });
    auto cell = std::make_shared<TableViewCellConfigComment>(Rect(0, 0, 300, 24));
    holder->addSubview(cell);
    auto field = std::make_shared<CustomTextFieldForEditingComment>(Rect(0, 0, 300, 24));
    cell->addSubview(field);
    cell->setUpCommentField(field);
    cell->setItem(entry);
    EXPECT_EQ(field->maxLength, 100);
    EXPECT_EQ(field->stringValue(), "old");
    kit::makeKey(window);

    ASSERT_TRUE(window->makeFirstResponder(field));
    field->currentEditor()->setSelectedRange({3, 0});
    kit::typeText("x");
    kit::pressKey(keycode::deleteKey);
    kit::pressKey(keycode::returnKey, "\r");
    EXPECT_EQ(changes, 0) << "the same comment again announces nothing";

    field->currentEditor()->selectAll();
    field->currentEditor()->insertText(" new ");
    kit::pressKey(keycode::returnKey, "\r");
    EXPECT_EQ(entry->comment(), " new ") << "as typed, not trimmed";
    EXPECT_EQ(changes, 1);

    // Without its entry the cell's field changes nothing.
    cell->itemData.reset();
    field->currentEditor()->insertText("lost");
    kit::pressKey(keycode::returnKey, "\r");
    EXPECT_EQ(entry->comment(), " new ");
}

}  // namespace
