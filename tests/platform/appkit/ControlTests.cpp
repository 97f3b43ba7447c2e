#include <gmock/gmock.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "platform/appkit/Application.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/Menu.h"
#include "platform/appkit/ModalScript.h"
#include "platform/appkit/PopUpButton.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/Slider.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/Window.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace platform;

namespace {

using Calls = std::vector<std::string>;

std::string movementName(int m) {
    switch (m) {
        case textmovement::returnKey: return "return";
        case textmovement::tab: return "tab";
        case textmovement::backtab: return "backtab";
        default: return "other";
    }
}

class RecordingTextDelegate : public ControlTextEditingDelegate {
public:
    explicit RecordingTextDelegate(std::shared_ptr<Calls> calls) : calls_(std::move(calls)) {}
    void controlTextDidBeginEditing(const Notification& n) override { record("begin", n); }
    void controlTextDidChange(const Notification& n) override { record("change", n); }
    void controlTextDidEndEditing(const Notification& n) override {
        record("end", n);
        calls_->back() += " " + movementName(textMovement(n));
    }

private:
    void record(const std::string& what, const Notification& n) {
        auto field = notificationObject<Control>(n);
        calls_->push_back(what + " " + (field ? field->identifier() + "=" + field->stringValue() : "?"));
    }
    std::shared_ptr<Calls> calls_;
};

// A field that records Escape, as the program's edit-in-place fields do.
class EscapableField : public TextField {
public:
    explicit EscapableField(std::shared_ptr<Calls> calls) : calls_(std::move(calls)) {}
    void cancelOperation(const std::shared_ptr<Object>&) override { calls_->push_back("cancelOperation " + identifier()); }

private:
    std::shared_ptr<Calls> calls_;
};

class ControlTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        window = std::make_shared<Window>(Rect(100, 100, 400, 300));
    }
    template <class T>
    std::shared_ptr<T> add(std::shared_ptr<T> view, Rect frame, std::string id = {}) {
        view->setFrame(frame);
        view->setIdentifier(std::move(id));
        window->contentView()->addSubview(view);
        return view;
    }
    void sendMouse(EventType type, const std::shared_ptr<View>& view, Point inView) {
        Application::shared()->sendEvent(Event::mouseEvent(type, view->convertPointToWindow(inView), 0, window));
    }

    std::shared_ptr<Calls> calls = std::make_shared<Calls>();
    std::shared_ptr<Window> window;
    std::shared_ptr<ModalScript> script = ModalScript::shared();
};

// --- text editing

class TextEditingTest : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        first = add(std::make_shared<EscapableField>(calls), Rect(10, 10, 200, 22), "first");
        second = add(std::make_shared<EscapableField>(calls), Rect(10, 50, 200, 22), "second");
        other = add(std::make_shared<Button>(), Rect(10, 90, 80, 22), "button");
        first->setNextKeyView(second);
        second->setNextKeyView(first);
        first->setDelegate(delegate);
        second->setDelegate(delegate);
        first->setActionHandler([this](const std::shared_ptr<Control>& c) { calls->push_back("action " + c->identifier()); });
        kit::makeKey(window);
    }

    std::shared_ptr<RecordingTextDelegate> delegate = std::make_shared<RecordingTextDelegate>(calls);
    std::shared_ptr<EscapableField> first, second;
    std::shared_ptr<Button> other;
};

TEST_F(TextEditingTest, TypingThenReturnGivesBeginChangeEndInOrder) {
    ASSERT_TRUE(window->makeFirstResponder(first));
    auto editor = first->currentEditor();
    ASSERT_TRUE(editor);
    EXPECT_TRUE(editor->isFieldEditor());
    EXPECT_EQ(editor->delegate().get(), static_cast<TextDelegate*>(first.get()));
    EXPECT_TRUE(calls->empty()) << "focus alone begins no editing";

    kit::typeText("hi");
    kit::pressKey(keycode::returnKey, "\r");
    // The begin callback comes before the first change lands: it sees the old text.
    EXPECT_EQ(*calls, (Calls{"begin first=", "change first=h", "change first=hi", "end first=hi return", "action first"}));
    EXPECT_EQ(first->stringValue(), "hi");

    // Return keeps the field editing; the next change begins a new session.
    calls->clear();
    kit::typeText("!");
    EXPECT_EQ(*calls, (Calls{"begin first=hi", "change first=!"}));
}

// Remembers the styled texts drawn.
class TextCapturingContext : public RecordingGraphicsContext {
public:
    void drawAttributedString(const AttributedString& text, const Rect& rect) override {
        drawn.push_back(text);
        RecordingGraphicsContext::drawAttributedString(text, rect);
    }
    std::vector<AttributedString> drawn;
};

std::optional<Color> colourAt(const AttributedString& text, std::size_t index) {
    return text.attributesAt(index).attributes.foregroundColor;
}

// An owner colours a field's text, also while someone types in it: the runs
// are drawn, they go into the field editor with the text, and new runs for
// the text being edited neither end the session nor move the cursor.
TEST_F(TextEditingTest, StyledTextIsDrawnAndRestyledWhileEditingWithoutEndingTheSession) {
    const Color red = Color::sRGB(1, 0, 0), blue = Color::sRGB(0, 0, 1);
    const auto styled = [&](const std::string& text) {
        AttributedString s(text);
        TextAttributes r;
        r.foregroundColor = red;
        s.addAttributes(r, {0, 1});
        TextAttributes b;
        b.foregroundColor = blue;
        if (text.size() > 1) s.addAttributes(b, {1, text.size() - 1});
        return s;
    };
    first->setAttributedStringValue(styled("ab"));
    EXPECT_EQ(first->stringValue(), "ab");
    EXPECT_EQ(first->attributedStringValue(), styled("ab"));
    {
        TextCapturingContext context;
        GraphicsContext::Scope scope(context);
        first->drawRect(first->bounds());
        ASSERT_EQ(context.drawn.size(), 1u);
        EXPECT_EQ(colourAt(context.drawn[0], 0), red);
        EXPECT_EQ(colourAt(context.drawn[0], 1), blue);
    }

    ASSERT_TRUE(window->makeFirstResponder(first));
    const auto editor = first->currentEditor();
    ASSERT_TRUE(editor);
    const auto* editing = std::any_cast<AttributedString>(&editor->attributedString());
    ASSERT_TRUE(editing) << "the field editor shows the runs";
    EXPECT_EQ(*editing, styled("ab"));

    kit::pressKey(keycode::rightArrow);
    kit::typeText("c");
    EXPECT_FALSE(editor->attributedString().has_value()) << "an edit drops the runs of the old text";
    first->setAttributedStringValue(styled("abc"));
    EXPECT_EQ(first->currentEditor(), editor) << "restyling the text being edited ends nothing";
    EXPECT_EQ(editor->selectedRange(), (TextRange{3, 0}));
    ASSERT_TRUE(std::any_cast<AttributedString>(&editor->attributedString()));
    EXPECT_EQ(*std::any_cast<AttributedString>(&editor->attributedString()), styled("abc"));
    kit::typeText("d");
    EXPECT_EQ(first->stringValue(), "abcd");
    EXPECT_EQ(*calls, (Calls{"begin first=ab", "change first=abc", "change first=abcd"}));

    // The runs of the last text stay when the edit ends; another value drops them.
    first->setAttributedStringValue(styled("abcd"));
    kit::pressKey(keycode::tab, "\t");
    EXPECT_FALSE(first->currentEditor());
    EXPECT_EQ(first->attributedStringValue(), styled("abcd"));
    first->setStringValue("abcd!");
    EXPECT_NE(colourAt(first->attributedStringValue(), 0), red);
    // A new text while editing starts the edit afresh on it, as any new value
    // does: the keyboard stays in the field, and the editor shows its runs.
    ASSERT_TRUE(window->makeFirstResponder(first));
    first->setAttributedStringValue(styled("xy"));
    const auto again = first->currentEditor();
    ASSERT_TRUE(again);
    EXPECT_EQ(first->stringValue(), "xy");
    ASSERT_TRUE(std::any_cast<AttributedString>(&again->attributedString()));
    EXPECT_EQ(*std::any_cast<AttributedString>(&again->attributedString()), styled("xy"));
}

TEST_F(TextEditingTest, TheFieldEditorIsTheWindowsFirstResponderWhileEditing) {
    ASSERT_TRUE(window->makeFirstResponder(first));
    auto editor = first->currentEditor();
    ASSERT_TRUE(editor);
    // The field hands the keyboard on to its editor; the window must keep that.
    EXPECT_EQ(window->firstResponder(), std::static_pointer_cast<Responder>(editor));
}

TEST_F(TextEditingTest, AShortcutNobodyTakesLeavesTheFieldOnceAndEndsAtTheWindow) {
    // A key with Command that the editor has no command for goes up the
    // editor's responder chain: to the field, then on past it, not back to
    // the editor.
    class KeyWatcher : public Responder {
    public:
        int keys = 0;
        void keyDown(const Event&) override { ++keys; }
    };
    auto watcher = std::make_shared<KeyWatcher>();
    window->setNextResponder(watcher);
    window->makeFirstResponder(first);
    kit::pressShortcut('7', modifierflags::command);
    EXPECT_EQ(watcher->keys, 1);
    EXPECT_TRUE(first->currentEditor()) << "still editing";
}

TEST_F(ControlTest, AWindowRunModallyIsAnsweredByTheScript) {
    auto dialog = std::make_shared<Window>(Rect(0, 0, 300, 200));
    dialog->setTitle("Input");
    std::shared_ptr<Window> seen;
    script->answerDialog([&](const std::shared_ptr<Window>& w) {
        seen = w;
        return modalresponse::ok;
    });
    EXPECT_EQ(Application::shared()->runModalForWindow(dialog), modalresponse::ok);
    EXPECT_EQ(seen, dialog);
    EXPECT_FALSE(Application::shared()->modalWindow());
}

TEST_F(TextEditingTest, TabEndsEditingAndMovesToTheNextField) {
    window->makeFirstResponder(first);
    kit::typeText("a");
    kit::pressKey(keycode::tab, "\t");
    EXPECT_EQ(*calls, (Calls{"begin first=", "change first=a", "end first=a tab"}));
    EXPECT_EQ(first->currentEditor(), nullptr);
    ASSERT_TRUE(second->currentEditor());

    calls->clear();
    kit::typeText("b");
    EXPECT_EQ(*calls, (Calls{"begin second=", "change second=b"}));
    EXPECT_EQ(first->stringValue(), "a");
}

TEST_F(TextEditingTest, LosingTheFocusEndsEditingEvenWithoutAChange) {
    window->makeFirstResponder(first);
    kit::clickView(other);  // buttons take no focus: the field keeps it
    window->makeFirstResponder(nullptr);
    EXPECT_EQ(*calls, (Calls{"end first= other"}));
    EXPECT_EQ(first->currentEditor(), nullptr);
}

TEST_F(TextEditingTest, EscapeSendsCancelOperationToTheField) {
    window->makeFirstResponder(first);
    kit::typeText("x");
    kit::pressKey(keycode::escape, "\x1b");
    EXPECT_EQ(calls->back(), "cancelOperation first");
    EXPECT_TRUE(first->currentEditor()) << "Escape alone does not end editing";
}

TEST_F(TextEditingTest, OverriddenCallbacksWithoutTheBaseKeepTheDelegateOut) {
    class QuietField : public TextField {
    public:
        std::shared_ptr<Calls> calls;
        void textDidChange(const Notification&) override { calls->push_back("own change " + stringValue()); }
        void textDidEndEditing(const Notification&) override { calls->push_back("own end"); }
    };
    auto quiet = add(std::make_shared<QuietField>(), Rect(10, 130, 100, 22), "quiet");
    quiet->calls = calls;
    quiet->setDelegate(delegate);
    window->makeFirstResponder(quiet);
    kit::typeText("ab");
    window->makeFirstResponder(first);
    EXPECT_EQ(*calls, (Calls{"begin quiet=", "own change a", "own change ab", "own end"}));
    EXPECT_EQ(quiet->currentEditor(), nullptr) << "the session ends even though the base was not called";
}

TEST_F(TextEditingTest, AbortEditingDropsTheSessionSilently) {
    auto plain = add(TextField::textField("kept"), Rect(10, 130, 100, 22), "plain");
    window->makeFirstResponder(plain);
    kit::typeText("typed");
    EXPECT_TRUE(plain->abortEditing());
    EXPECT_FALSE(plain->abortEditing());
    EXPECT_EQ(plain->currentEditor(), nullptr);
    EXPECT_EQ(plain->stringValue(), "kept") << "the typed text never reached the cell";
}

TEST_F(ControlTest, SearchFieldCellValueIsApartFromTheTextBeingEdited) {
    auto field = add(std::make_shared<SearchField>(), Rect(10, 10, 200, 22), "search");
    int actions = 0;
    field->setActionHandler([&](const std::shared_ptr<Control>&) { ++actions; });
    field->setPlaceholderString("Search");
    kit::makeKey(window);
    window->makeFirstResponder(field);
    kit::typeText("abc");
    EXPECT_EQ(actions, 3) << "a search field sends its action as the text changes";

    field->searchFieldCell()->setStringValue("");
    EXPECT_EQ(field->currentEditor()->string(), "abc") << "writing the cell leaves the editor alone";
    EXPECT_EQ(field->searchFieldCell()->stringValue(), "");
    EXPECT_EQ(field->stringValue(), "abc") << "reading the field takes the typed text";

    kit::pressKey(keycode::escape, "\x1b");
    EXPECT_EQ(field->stringValue(), "");
    EXPECT_EQ(actions, 4);
    EXPECT_EQ(field->placeholderString(), "Search");
}

TEST_F(ControlTest, AClickOnTheMagnifierShowsTheSearchMenuAndRunsTheChoice) {
    auto field = add(std::make_shared<SearchField>(), Rect(10, 10, 200, 22), "search");
    auto menu = std::make_shared<Menu>("Search for");
    std::string chosen;
    for (const char* title : {"Name", "Tag"})
        menu->addItem(title, [&chosen](const std::shared_ptr<MenuItem>& item) { chosen = item->title(); });
    kit::makeKey(window);
    // Without a menu the magnifier is part of the field.
    kit::click(window, field->convertPointToWindow({8, 11}));
    EXPECT_TRUE(field->currentEditor());

    field->setSearchMenuTemplate(menu);
    script->chooseMenuItem("Tag");
    kit::click(window, field->convertPointToWindow({8, 11}));
    EXPECT_EQ(chosen, "Tag");
    // A click on the text is no menu.
    kit::click(window, field->convertPointToWindow({100, 11}));
    EXPECT_EQ(chosen, "Tag");
    EXPECT_EQ(script->presented().size(), 1u) << "one menu, shown once";
}

// --- buttons

TEST_F(ControlTest, ButtonClickSendsTheActionUnlessMouseDownIsTakenOver) {
    class OwnClick : public Button {
    public:
        int downs = 0;
        void mouseDown(const Event&) override { ++downs; }
    };
    auto plain = add(Button::withTitle("OK"), Rect(10, 10, 80, 22));
    auto own = add(std::make_shared<OwnClick>(), Rect(10, 50, 80, 22));
    auto box = add(Button::checkbox("Remember"), Rect(10, 90, 80, 22));
    for (auto& b : std::vector<std::shared_ptr<Button>>{plain, own, box})
        b->setActionHandler([&](const std::shared_ptr<Control>& c) {
            calls->push_back("action " + std::to_string(static_cast<int>(std::static_pointer_cast<Button>(c)->state())));
        });
    kit::makeKey(window);

    kit::clickView(plain);
    kit::clickView(own);
    kit::clickView(box);
    kit::clickView(box);
    EXPECT_EQ(own->downs, 1);
    EXPECT_EQ(*calls, (Calls{"action 0", "action 1", "action 0"}));

    // A press released outside sends nothing.
    calls->clear();
    kit::mouseDown(window, kit::centerInWindow(*plain));
    kit::mouseUp(window, Point{390, 290});
    EXPECT_TRUE(calls->empty());

    plain->setEnabled(false);
    kit::clickView(plain);
    EXPECT_TRUE(calls->empty());
}

// --- slider

class RecordingSliderCell : public SliderCell {
public:
    std::shared_ptr<Calls> calls;
    bool refuseContinue = false;
    bool refuseStart = false;
    bool startTracking(Point p, const std::shared_ptr<View>& v) override {
        calls->push_back("start");
        if (refuseStart) return false;
        return SliderCell::startTracking(p, v);
    }
    bool continueTracking(Point last, Point p, const std::shared_ptr<View>& v) override {
        calls->push_back("continue");
        if (refuseContinue) return false;
        return SliderCell::continueTracking(last, p, v);
    }
    void stopTracking(Point last, Point p, const std::shared_ptr<View>& v, bool mouseIsUp) override {
        SliderCell::stopTracking(last, p, v, mouseIsUp);
        calls->push_back(std::string("stop ") + (mouseIsUp ? "up" : "refused"));
    }
};

TEST_F(ControlTest, SettingWhatAButtonOrImageViewShowsAlreadyMarksNothing) {
    auto button = Button::withTitle("12");
    button->setImage(Image::imageWithSize({16, 16}, false, nullptr));
    auto imageView = std::make_shared<ImageView>(Rect(0, 0, 20, 20));
    const auto image = Image::imageWithSize({16, 16}, false, nullptr);
    imageView->setImage(image);
    struct Case {
        const char* what;
        std::shared_ptr<View> view;
        std::function<void()> same;
        std::function<void()> changed;
    };
    const std::vector<Case> cases = {
        {"button title", button, [&] { button->setTitle("12"); }, [&] { button->setTitle("13"); }},
        {"button image", button, [&] { button->setImage(button->image()); },
         [&] { button->setImage(Image::imageWithSize({16, 16}, false, nullptr)); }},
        {"button state", button, [&] { button->setState(button->state()); },
         [&] { button->setState(ControlStateValue::on); }},
        {"button border", button, [&] { button->setBordered(button->isBordered()); },
         [&] { button->setBordered(!button->isBordered()); }},
        {"image view image", imageView, [&] { imageView->setImage(image); },
         [&] { imageView->setImage(Image::imageWithSize({16, 16}, false, nullptr)); }},
        {"image view image name", imageView, [&] { imageView->setImageName(imageView->imageName()); },
         [&] { imageView->setImageName("other"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.view->setNeedsDisplay(false);
        c.same();
        EXPECT_FALSE(c.view->needsDisplay()) << "the same value again";
        c.changed();
        EXPECT_TRUE(c.view->needsDisplay()) << "a new value";
    }
}

class SliderTest : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        slider = add(std::make_shared<Slider>(), Rect(0, 0, 100, 20));
        cell = std::make_shared<RecordingSliderCell>();
        cell->calls = calls;
        slider->setCell(cell);
        slider->setMinValue(0);
        slider->setMaxValue(10);
        slider->setActionHandler([this](const std::shared_ptr<Control>& c) {
            calls->push_back("action " + std::to_string(static_cast<int>(std::lround(c->doubleValue()))));
        });
        kit::makeKey(window);
    }
    std::shared_ptr<Slider> slider;
    std::shared_ptr<RecordingSliderCell> cell;
};

TEST_F(SliderTest, TrackingCallsStartThenContinueThenStopWithTheMouseUp) {
    sendMouse(EventType::leftMouseDown, slider, {20, 10});
    sendMouse(EventType::leftMouseDragged, slider, {50, 10});
    sendMouse(EventType::leftMouseDragged, slider, {150, 10});
    sendMouse(EventType::leftMouseUp, slider, {150, 10});
    EXPECT_EQ(*calls, (Calls{"start", "continue", "action 5", "continue", "action 10", "stop up", "action 10"}));
    EXPECT_DOUBLE_EQ(slider->doubleValue(), 10);
}

TEST_F(SliderTest, TheKnobIsRedrawnWheneverADragMovesTheValue) {
    // Each step of the mouse, then whether the slider must be drawn again.
    struct Step {
        EventType type;
        double x;
        bool redraw;
    };
    for (const Step& step : {Step{EventType::leftMouseDown, 20, true}, Step{EventType::leftMouseDragged, 50, true},
                             Step{EventType::leftMouseDragged, 50, false}, Step{EventType::leftMouseDragged, 80, true},
                             Step{EventType::leftMouseUp, 80, false}}) {
        SCOPED_TRACE(step.x);
        slider->display();
        sendMouse(step.type, slider, {step.x, 10});
        EXPECT_EQ(slider->needsDisplay(), step.redraw);
    }
    EXPECT_DOUBLE_EQ(slider->doubleValue(), 8);
}

TEST_F(SliderTest, ARefusingCellEndsTheTracking) {
    cell->refuseContinue = true;
    sendMouse(EventType::leftMouseDown, slider, {20, 10});
    sendMouse(EventType::leftMouseDragged, slider, {50, 10});
    sendMouse(EventType::leftMouseDragged, slider, {80, 10});
    sendMouse(EventType::leftMouseUp, slider, {80, 10});
    EXPECT_EQ(*calls, (Calls{"start", "continue", "stop refused"}));
    EXPECT_DOUBLE_EQ(slider->doubleValue(), 2);

    calls->clear();
    cell->refuseStart = true;
    sendMouse(EventType::leftMouseDown, slider, {50, 10});
    sendMouse(EventType::leftMouseDragged, slider, {60, 10});
    sendMouse(EventType::leftMouseUp, slider, {60, 10});
    EXPECT_EQ(*calls, Calls{"start"});
}

TEST_F(SliderTest, ValuesStayInTheRange) {
    slider->setDoubleValue(42);
    EXPECT_DOUBLE_EQ(slider->doubleValue(), 10);
    slider->setDoubleValue(-1);
    EXPECT_DOUBLE_EQ(slider->doubleValue(), 0);
    slider->setMinValue(3);
    EXPECT_DOUBLE_EQ(slider->doubleValue(), 3);
}

// --- pop-up button and segments

TEST_F(ControlTest, PopUpSelectionInCodeIsQuietAndAChoiceSendsTheActionAfterSelecting) {
    auto popup = add(std::make_shared<PopUpButton>(), Rect(10, 10, 120, 22));
    popup->addItemsWithTitles({"All types", "Applications", "Files"});
    popup->setActionHandler([&](const std::shared_ptr<Control>& c) {
        calls->push_back("action " + std::static_pointer_cast<PopUpButton>(c)->titleOfSelectedItem());
    });
    EXPECT_EQ(popup->indexOfSelectedItem(), 0);
    popup->selectItemWithTitle("Files");
    EXPECT_EQ(popup->indexOfSelectedItem(), 2);
    EXPECT_EQ(popup->itemAtIndex(2)->state(), ControlStateValue::on);
    EXPECT_TRUE(calls->empty());

    kit::makeKey(window);
    script->chooseMenuItem("Applications");
    kit::clickView(popup);
    EXPECT_EQ(*calls, Calls{"action Applications"});
    EXPECT_EQ(popup->itemAtIndex(2)->state(), ControlStateValue::off);

    // Dismissing the menu keeps the selection and sends nothing.
    script->dismissMenu();
    kit::clickView(popup);
    EXPECT_EQ(popup->titleOfSelectedItem(), "Applications");
    EXPECT_EQ(calls->size(), 1u);

    popup->selectItemAtIndex(7);
    EXPECT_EQ(popup->indexOfSelectedItem(), -1);
    EXPECT_EQ(popup->selectedItem(), nullptr);
    popup->addItemWithTitle("Files");  // titles are unique
    EXPECT_EQ(popup->itemTitles(), (std::vector<std::string>{"All types", "Applications", "Files"}));
}

TEST_F(ControlTest, APopUpShowsTheImageOfAChoiceThatHasNoTitle) {
    auto popup = add(std::make_shared<PopUpButton>(), Rect(0, 0, 80, 26));
    popup->addItemsWithTitles({"icon", "named"});
    auto image = Image::imageWithSize({36, 36}, true, [](const Rect& r) {
        GraphicsContext::current()->fillRect(r, CompositingOperation::sourceOver);
        return true;
    });
    image->setSize({18, 18});
    popup->itemAtIndex(0)->setImage(image);
    popup->itemAtIndex(0)->setTitle("");
    popup->itemAtIndex(1)->setImage(image);
    auto drawn = [&] {
        RecordingGraphicsContext context;
        GraphicsContext::Scope scope(context);
        popup->drawRect(popup->bounds());
        return context.operations();
    };
    const auto imageOnly = drawn();
    ASSERT_GT(imageOnly.size(), 1u);
    EXPECT_EQ(imageOnly[0], "control popUpButton in 0 0 80 26");
    // The image's 36 points drawn into 18 at the left, centred in height.
    EXPECT_THAT(imageOnly, testing::IsSupersetOf({"translate 8 4", "scale 0.5 0.5", "fill rect 0 0 36 36 normal"}));
    popup->selectItemAtIndex(1);
    EXPECT_EQ(drawn().size(), 1u) << "a titled choice shows its title";
}

TEST_F(ControlTest, SegmentClickSelectsByTrackingMode) {
    auto seg = add(std::make_shared<SegmentedControl>(), Rect(0, 0, 90, 20));
    seg->setSegmentCount(3);
    seg->setActionHandler([&](const std::shared_ptr<Control>& c) {
        calls->push_back("action " + std::to_string(std::static_pointer_cast<SegmentedControl>(c)->selectedSegment()));
    });
    kit::makeKey(window);
    kit::click(window, seg->convertPointToWindow({45, 10}));
    EXPECT_TRUE(seg->isSelectedForSegment(1));
    seg->setTrackingMode(SegmentSwitchTracking::selectAny);
    kit::click(window, seg->convertPointToWindow({80, 10}));
    EXPECT_TRUE(seg->isSelectedForSegment(1));
    EXPECT_TRUE(seg->isSelectedForSegment(2));
    seg->setEnabled(false, 0);
    kit::click(window, seg->convertPointToWindow({5, 10}));
    EXPECT_EQ(*calls, (Calls{"action 1", "action 2"}));
}

}  // namespace

namespace {

TEST_F(ControlTest, ATextViewDrawsItsStyledTextWithItsOwnRuns) {
    TextView view(Rect(0, 0, 200, 100));
    RecordingGraphicsContext context;
    GraphicsContext::Scope scope(context);
    view.setString("Plain");
    view.drawRect(view.bounds());
    TextAttributes bold;
    bold.font = Font::boldSystemFont(18);
    // The plain text is what editing and selection read; the styled text is
    // what is seen.
    view.setAttributedString(AttributedString("Styled", bold), "Plain");
    view.drawRect(view.bounds());
    ASSERT_EQ(context.operations().size(), 2u);
    EXPECT_NE(context.operations()[0].find("\"Plain\""), std::string::npos) << context.operations()[0];
    EXPECT_NE(context.operations()[1].find("\"Styled\""), std::string::npos) << context.operations()[1];
}

}  // namespace
