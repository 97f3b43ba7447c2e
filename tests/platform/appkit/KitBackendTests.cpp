// The seam between the kit and a desktop backend, driven from both sides
// without a display: what the kit asks of native windows, and what the
// native side reports back.

#include <gtest/gtest.h>

#include "KitTestSupport.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/DraggingInfo.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Menu.h"
#include "platform/appkit/ModalScript.h"
#include "platform/appkit/Pasteboard.h"
#include "platform/appkit/Popover.h"
#include "platform/appkit/StatusItem.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/TextMetrics.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/Window.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace platform;
using kittest::Calls;

namespace {

// A backend that keeps what its native windows were told.
struct FakeNative {
    std::vector<std::string> calls;
    WindowProperties properties;
    Rect frame;
    Cursor cursor = Cursor::arrow;
    bool alive = true;
};

class FakeNativeWindow : public NativeWindow {
public:
    explicit FakeNativeWindow(std::shared_ptr<FakeNative> state) : s_(std::move(state)) {}
    ~FakeNativeWindow() override { s_->alive = false; }
    void show() override { s_->calls.push_back("show"); }
    void hide() override { s_->calls.push_back("hide"); }
    void orderFront() override {}
    void setFrame(const Rect& frame) override {
        s_->frame = frame;
        s_->calls.push_back("frame");
    }
    void setProperties(const WindowProperties& p) override {
        s_->properties = p;
        s_->calls.push_back("properties");
    }
    void makeKey() override { s_->calls.push_back("key"); }
    void setNeedsDisplay(const Rect&) override { s_->calls.push_back("display"); }
    void setCursor(Cursor c) override { s_->cursor = c; }
    void beginUserMove() override { s_->calls.push_back("move"); }

private:
    std::shared_ptr<FakeNative> s_;
};

class FakeBackend : public KitBackend {
public:
    std::unique_ptr<NativeWindow> makeNativeWindow(Window& window) override {
        auto state = std::make_shared<FakeNative>();
        natives[window.windowNumber()] = state;
        return std::make_unique<FakeNativeWindow>(state);
    }
    void activateApplication() override {}
    void deactivateApplication() override {}
    TextMetrics& textMetrics() override { return metrics; }
    std::optional<Point> pointerLocation() const override { return pointer; }

    std::map<int, std::shared_ptr<FakeNative>> natives;
    HeadlessTextMetrics metrics;
    std::optional<Point> pointer;
};

class KitBackendTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        Application::shared()->setBackend(backend);
        window = std::make_shared<Window>(Rect(100, 100, 300, 200));
    }
    FakeNative& native() { return *backend->natives.at(window->windowNumber()); }

    std::shared_ptr<FakeBackend> backend = std::make_shared<FakeBackend>();
    std::shared_ptr<Window> window;
    std::shared_ptr<Calls> calls = std::make_shared<Calls>();
};

TEST_F(KitBackendTest, ANativeWindowIsMadeWhenShownTakesTheStateAndGoesWithTheKitWindow) {
    window->setTitle("Before");
    EXPECT_TRUE(backend->natives.empty()) << "a window never shown has no native one";
    kit::makeKey(window);
    ASSERT_EQ(backend->natives.size(), 1u);
    EXPECT_EQ(native().calls, (Calls{"properties", "frame", "show", "key"}));
    EXPECT_EQ(native().properties.title, "Before");
    EXPECT_EQ(native().frame, Rect(100, 100, 300, 200));

    window->setTitle("After");
    window->setMinSize({200, 100});
    window->setAlphaValue(0.5);
    EXPECT_EQ(native().properties.title, "After");
    EXPECT_EQ(native().properties.minSize, (Size{200, 100}));
    EXPECT_EQ(native().properties.alpha, 0.5);

    auto state = backend->natives.at(window->windowNumber());
    window->orderOut();
    EXPECT_EQ(state->calls.back(), "hide");
    window.reset();
    EXPECT_FALSE(state->alive) << "the native window goes with the kit window";
}

TEST_F(KitBackendTest, MovesByTheWindowManagerAreNotEchoedUnlessTheLimitsChangeThem) {
    window->setMinSize({200, 150});
    kit::makeKey(window);
    std::vector<std::string> notes;
    auto moved = NotificationCenter::defaultCenter().observe(windownotification::didMove, window.get(),
                                                             [&](const Notification&) { notes.push_back("move"); });
    auto resized = NotificationCenter::defaultCenter().observe(windownotification::didResize, window.get(),
                                                               [&](const Notification&) { notes.push_back("resize"); });
    native().calls.clear();
    window->nativeFrameDidChange(Rect(150, 120, 320, 240));
    EXPECT_EQ(window->frame(), Rect(150, 120, 320, 240));
    EXPECT_EQ(notes, (std::vector<std::string>{"resize", "move"}));
    EXPECT_TRUE(std::find(native().calls.begin(), native().calls.end(), "frame") == native().calls.end());

    window->nativeFrameDidChange(Rect(150, 120, 100, 100));
    EXPECT_EQ(window->frame(), Rect(150, 120, 200, 150)) << "the minimum size holds";
    EXPECT_EQ(native().frame, Rect(150, 120, 200, 150)) << "and the window manager is told";
}

TEST_F(KitBackendTest, ActivationAndCloseRequestsFromTheNativeSideGoThroughTheKit) {
    auto other = std::make_shared<Window>(Rect(0, 0, 100, 100));
    window->orderFront();
    other->orderFront();
    EXPECT_FALSE(Application::shared()->isActive());
    window->nativeDidBecomeKey();
    EXPECT_TRUE(Application::shared()->isActive());
    EXPECT_TRUE(window->isKeyWindow());

    struct Refusing : WindowDelegate {
        bool allow = false;
        bool windowShouldClose(const std::shared_ptr<Window>&) override { return allow; }
    };
    auto delegate = std::make_shared<Refusing>();
    window->setDelegate(delegate);
    window->nativeCloseRequested();
    EXPECT_TRUE(window->isVisible()) << "the delegate kept it open";
    delegate->allow = true;
    window->nativeCloseRequested();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(KitBackendTest, APaintDrawsTheTreeWithStandardControlsAndTheFocusRing) {
    auto button = Button::withTitle("OK");
    button->setFrame(Rect(10, 10, 80, 24));
    button->setKeyEquivalent("\r");
    auto box = Button::checkbox("Remember");
    box->setFrame(Rect(10, 40, 120, 20));
    box->setState(ControlStateValue::on);
    auto field = TextField::textField("typed");
    field->setFrame(Rect(10, 70, 150, 22));
    struct Focusable : View {
        using View::View;
        bool acceptsFirstResponder() override { return true; }
    };
    auto focusable = std::make_shared<Focusable>(Rect(200, 10, 50, 50));
    for (auto v : std::vector<std::shared_ptr<View>>{button, box, field, focusable}) window->contentView()->addSubview(v);
    kit::makeKey(window);
    window->makeFirstResponder(focusable);
    button->setNeedsDisplay(true);

    RecordingGraphicsContext context;
    window->nativePaint(context, Rect(0, 0, 300, 200));
    const auto& ops = context.operations();
    auto has = [&](const std::string& line) { return std::find(ops.begin(), ops.end(), line) != ops.end(); };
    EXPECT_TRUE(has("control pushButton \"OK\" default in 0 0 80 24"));
    EXPECT_TRUE(has("control checkBox \"Remember\" on in 0 0 120 20"));
    EXPECT_TRUE(has("control textFieldBezel in 0 0 150 22"));
    EXPECT_TRUE(has("text \"typed\" in 4 3 142 15.6")) << "one line, centred inside the bezel";
    EXPECT_TRUE(has("control focusRing in 0 0 50 50"));
    EXPECT_FALSE(button->needsDisplay()) << "painting clears the marks";

    // A dirty part leaves the views outside it out.
    context.clear();
    window->nativePaint(context, Rect(0, 60, 300, 40));
    EXPECT_EQ(std::count_if(context.operations().begin(), context.operations().end(),
                            [](const std::string& l) { return l.rfind("control pushButton", 0) == 0; }),
              0);
}

// A view that, as it draws, does what `whileDrawing` says (to its child,
// a sibling or itself).
struct Refreshing : View {
    using View::View;
    void drawRect(const Rect&) override {
        if (whileDrawing) whileDrawing();
    }
    std::function<void()> whileDrawing;
};

TEST_F(KitBackendTest, MarksMadeWhileAPaintPassDrawsAskForTheNextFrameOnlyWhenNotDrawnSince) {
    auto parent = std::make_shared<Refreshing>(Rect(0, 0, 100, 100));
    auto child = std::make_shared<View>(Rect(10, 10, 20, 20));
    auto later = std::make_shared<View>(Rect(150, 0, 50, 50));  // drawn after the parent
    auto earlier = std::make_shared<Refreshing>(Rect(0, 150, 50, 50));
    parent->addSubview(child);
    window->contentView()->addSubview(earlier);
    window->contentView()->addSubview(parent);
    window->contentView()->addSubview(later);
    kit::makeKey(window);
    RecordingGraphicsContext context;
    window->nativePaint(context, Rect(0, 0, 300, 200));
    native().calls.clear();
    auto displays = [&] { return std::count(native().calls.begin(), native().calls.end(), "display"); };
    auto paintAll = [&] {
        native().calls.clear();
        window->nativePaint(context, Rect(0, 0, 300, 200));
        return displays();
    };

    struct Case {
        const char* what;
        std::function<void()> whileDrawing;
        long displaysAfterPass;
    };
    const std::vector<Case> cases = {
        {"a child refreshed before it is drawn", [&] { child->setNeedsDisplay(true); }, 0},
        {"a view further on in the same pass", [&] { later->setNeedsDisplay(true); }, 0},
        {"a view the pass drew before", [&] { earlier->setNeedsDisplay(true); }, 1},
        {"the drawing view itself", [&] { parent->setNeedsDisplay(true); }, 1},
        {"a child made visible", [&] { child->setHidden(!child->isHidden()); }, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        parent->whileDrawing = c.whileDrawing;
        EXPECT_EQ(paintAll(), c.displaysAfterPass);
        parent->whileDrawing = nullptr;
        EXPECT_EQ(paintAll(), 0) << "the next frame rests";
    }

    // A view drawing only part of its mark (the rest lies outside the
    // painted part) still asks for the rest.
    parent->whileDrawing = [&] { parent->setNeedsDisplayInRect(Rect(0, 0, 100, 100)); };
    native().calls.clear();
    window->nativePaint(context, Rect(0, 0, 300, 50));
    EXPECT_EQ(displays(), 1);
    parent->whileDrawing = nullptr;

    // Outside a pass a mark goes to the native window at once.
    native().calls.clear();
    child->setNeedsDisplay(true);
    EXPECT_EQ(displays(), 1);
}

TEST_F(KitBackendTest, DragsFromTheNativeSideReachTheDestinationInOrder) {
    struct Destination : View {
        Destination(std::shared_ptr<Calls> c) : View(Rect(0, 0, 150, 200)), calls(std::move(c)) {
            registerForDraggedTypes({pasteboardtype::fileURL});
        }
        DragOperation draggingEntered(const std::shared_ptr<DraggingInfo>& info) override {
            calls->push_back("entered " + std::to_string(int(info->draggingLocation().x)));
            return dragoperation::copy;
        }
        DragOperation draggingUpdated(const std::shared_ptr<DraggingInfo>& info) override {
            calls->push_back("updated " + std::to_string(int(info->draggingLocation().x)));
            return dragoperation::copy;
        }
        void draggingExited(const std::shared_ptr<DraggingInfo>&) override { calls->push_back("exited"); }
        bool performDragOperation(const std::shared_ptr<DraggingInfo>& info) override {
            calls->push_back("perform " + info->draggingPasteboard()->stringForType(pasteboardtype::fileURL).value_or("?"));
            return true;
        }
        std::shared_ptr<Calls> calls;
    };
    window->contentView()->addSubview(std::make_shared<Destination>(calls));
    window->orderFront();
    auto pasteboard = Pasteboard::withUniqueName();
    pasteboard->writeObjects({pasteboardWriterForURL(URL::fileURL("/tmp/a.txt"))});
    auto info = std::make_shared<DraggingInfo>(pasteboard, dragoperation::every, Point{10, 10}, window);

    EXPECT_EQ(window->nativeDraggingUpdated(info), dragoperation::copy);
    info->setDraggingLocation({20, 10});
    EXPECT_EQ(window->nativeDraggingUpdated(info), dragoperation::copy);
    info->setDraggingLocation({200, 10});
    EXPECT_EQ(window->nativeDraggingUpdated(info), dragoperation::none) << "no destination there";
    info->setDraggingLocation({30, 10});
    window->nativeDraggingUpdated(info);
    EXPECT_TRUE(window->nativeDraggingDropped());
    EXPECT_EQ(*calls, (Calls{"entered 10", "updated 20", "exited", "entered 30", "perform file:///tmp/a.txt"}));

    calls->clear();
    window->nativeDraggingUpdated(info);
    window->nativeDraggingExited();
    EXPECT_FALSE(window->nativeDraggingDropped()) << "nothing to drop after the drag left";
    EXPECT_EQ(*calls, (Calls{"entered 30", "exited"}));
}

TEST_F(KitBackendTest, ThePointerCursorAndBackgroundMovesAreTheNativeWindows) {
    auto field = TextField::textField("");
    field->setFrame(Rect(10, 10, 100, 22));
    struct Grip : View {
        using View::View;
        bool mouseDownCanMoveWindow() const override { return true; }
        void mouseDown(const Event&) override { clicked = true; }
        bool clicked = false;
    };
    auto grip = std::make_shared<Grip>(Rect(10, 100, 100, 50));
    window->contentView()->addSubview(field);
    window->contentView()->addSubview(grip);
    kit::makeKey(window);
    kit::moveMouse(window, {20, 20});
    EXPECT_EQ(native().cursor, Cursor::iBeam);
    kit::moveMouse(window, {200, 20});
    EXPECT_EQ(native().cursor, Cursor::arrow);

    kit::mouseDown(window, {20, 120});
    EXPECT_TRUE(grip->clicked) << "only a window movable by its background moves";
    grip->clicked = false;
    window->setMovableByWindowBackground(true);
    kit::mouseDown(window, {20, 120});
    EXPECT_FALSE(grip->clicked);
    EXPECT_EQ(native().calls.back(), "move");

    backend->pointer = Point{640, 480};
    EXPECT_EQ(Event::mouseLocation(), (Point{640, 480})) << "the desktop knows where the pointer is between events";
}

TEST_F(KitBackendTest, AFieldEditorHandsKeysItCannotUseToTheNativeEditorAndHearsItsChanges) {
    struct Editor : NativeTextEditor {
        std::vector<std::string> seen;
        int mirrored = 0;
        void textViewDidChange() override { ++mirrored; }
        bool performKey(const Event& e) override {
            seen.push_back(e.characters);
            return true;
        }
    };
    struct Watcher : ControlTextEditingDelegate {
        std::vector<std::string> changes;
        std::shared_ptr<TextField> field;
        void controlTextDidChange(const Notification&) override { changes.push_back(field->stringValue()); }
    };
    auto field = TextField::textField("ab");
    field->setFrame(Rect(10, 10, 100, 22));
    auto watcher = std::make_shared<Watcher>();
    watcher->field = field;
    field->setDelegate(watcher);
    window->contentView()->addSubview(field);
    kit::makeKey(window);
    window->makeFirstResponder(field);
    auto editorView = field->currentEditor();
    ASSERT_NE(editorView, nullptr);
    auto editor = std::make_shared<Editor>();
    editorView->setNativeEditor(editor);

    kit::pressKey(keycode::rightArrow, "\xEF\x9C\x83");  // past the selected text
    kit::typeText("c");
    EXPECT_EQ(watcher->changes, (std::vector<std::string>{"abc"}));
    EXPECT_GT(editor->mirrored, 0) << "the native editor shows what the kit typed";
    kit::pressKey(0x73, "\xEF\x9C\xA9");  // Home: no command of the kit's
    kit::pressShortcut('v', modifierflags::command);
    EXPECT_EQ(editor->seen, (std::vector<std::string>{"\xEF\x9C\xA9", "v"}));

    // What the user did in the native editor (a paste) comes back with the callbacks.
    EXPECT_TRUE(editorView->replaceCharacters({3, 0}, "def"));
    EXPECT_EQ(watcher->changes.back(), "abcdef");
    EXPECT_EQ(editorView->string(), "abcdef");
    EXPECT_EQ(editorView->selectedRange(), (TextRange{6, 0}));
}

TEST_F(KitBackendTest, TrayClicksBecomeButtonEventsAndTheIconsPlaceMovesTheButtonsWindow) {
    auto item = StatusBar::systemStatusBar()->statusItemWithLength(statusitemlength::square);
    auto button = item->button();
    ASSERT_NE(button, nullptr);
    button->sendActionOn(eventmask::leftMouseDown | eventmask::rightMouseUp);
    std::vector<EventType> seen;
    button->setActionHandler([&](const std::shared_ptr<Control>&) { seen.push_back(Application::shared()->currentEvent()->type); });
    item->nativeGeometryChanged(Rect(1800, 0, 24, 24));
    EXPECT_EQ(item->window()->frame().origin, (Point{1801, 1})) << "centred on the icon";
    item->nativeClicked(EventType::leftMouseDown, 0);
    item->nativeClicked(EventType::rightMouseUp, modifierflags::option);
    EXPECT_EQ(seen, (std::vector<EventType>{EventType::leftMouseDown, EventType::rightMouseUp}));
    EXPECT_FALSE(button->isHighlighted()) << "the press ended";

    auto menu = std::make_shared<Menu>("Tray");
    bool chosen = false;
    menu->addItem("Quit", [&](const std::shared_ptr<MenuItem>&) { chosen = true; });
    item->setMenu(menu);
    ModalScript::shared()->chooseMenuItem("Quit");
    item->nativeClicked(EventType::leftMouseDown, 0);
    EXPECT_TRUE(chosen) << "an item with a menu shows it instead";
    EXPECT_EQ(seen.size(), 2u);
}

TEST_F(KitBackendTest, ThePasteboardTellsOfTheProgramsChangesOnly) {
    auto general = Pasteboard::general();
    int told = 0;
    general->setChangeHandler([&](Pasteboard&) { ++told; });
    general->clearContents();
    general->writeObjects({pasteboardWriterForString("x")});
    general->setString("y", pasteboardtype::string);
    EXPECT_EQ(told, 3);
    auto item = std::make_shared<PasteboardItem>();
    item->setString("from elsewhere", pasteboardtype::string);
    const long before = general->changeCount();
    general->replaceItemsFromDesktop({item});
    EXPECT_EQ(told, 3) << "the desktop's own contents are not sent back";
    EXPECT_GT(general->changeCount(), before);
    EXPECT_EQ(general->stringForType(pasteboardtype::string), "from elsewhere");
}

TEST_F(KitBackendTest, APopoversArrowLiesOutsideItsFrameOnTheSideOfTheAnchor) {
    auto anchor = std::make_shared<View>(Rect(100, 0, 40, 20));
    window->contentView()->addSubview(anchor);
    kit::makeKey(window);
    auto content = std::make_shared<kittest::RecordingViewController>("content", calls, Size{200, 100});
    auto popover = std::make_shared<Popover>();
    popover->setContentViewController(content);
    popover->showRelativeToRect(anchor->bounds(), anchor, RectEdge::maxY);
    auto pw = popover->window();
    ASSERT_NE(pw, nullptr);
    EXPECT_EQ(pw->arrowEdge(), RectEdge::minY) << "below the anchor, the arrow on top";
    EXPECT_EQ(pw->decorationInsets().top, PopoverWindow::arrowLength);
    EXPECT_EQ(pw->arrowPosition(), 220 - pw->frame().minX()) << "pointing at the anchor's middle";
    EXPECT_EQ(backend->natives.at(pw->windowNumber())->properties.decorationInsets.top, PopoverWindow::arrowLength);

    RecordingGraphicsContext context;
    pw->drawDecorations(context, Rect(0, 0, 200, 109));
    EXPECT_EQ(context.operations().front(), "fill color rgba(0.93 0.93 0.93 1)");

    struct Detaching : PopoverDelegate {
        bool popoverShouldDetach(const std::shared_ptr<Popover>&) override { return true; }
    };
    auto delegate = std::make_shared<Detaching>();
    popover->setDelegate(delegate);
    ASSERT_TRUE(popover->detach());
    EXPECT_EQ(pw->decorationInsets(), EdgeInsets{}) << "a detached popover has no arrow";
}

TEST(HeadlessTextMetrics, MeasuresWithFixedAdvancesAndBreaksAndCutsByThem) {
    HeadlessTextMetrics m;
    TextAttributes ten;
    ten.font = Font::systemFont(10);
    const AttributedString text("one two three", ten);
    EXPECT_EQ(m.advance(text, {0, text.length()}), 78);
    EXPECT_EQ(m.sizeOfText(text, 0), (Size{78, 12}));

    struct Case {
        double width;
        std::vector<std::string> lines;
    };
    for (const Case& c : {Case{0, {"one two three"}}, Case{50, {"one two ", "three"}}, Case{20, {"one ", "two ", "thr", "ee"}}}) {
        std::vector<std::string> lines;
        for (const Range& r : m.lineRanges(text, c.width)) lines.push_back(text.string().substr(r.location, r.length));
        EXPECT_EQ(lines, c.lines) << "width " << c.width;
    }
    EXPECT_EQ(m.sizeOfText(text, 50), (Size{42, 24})) << "trailing spaces take no room";
    EXPECT_EQ(m.lineRanges(AttributedString("a\n\nb", ten), 0).size(), 3u) << "hard breaks, the empty line kept";

    // 40 points hold six characters of 6, the ellipsis one of them.
    EXPECT_EQ(m.truncated(text, 40, LineBreakMode::ByTruncatingTail).string(), "one t\xE2\x80\xA6");
    EXPECT_EQ(m.truncated(text, 40, LineBreakMode::ByTruncatingHead).string(), "\xE2\x80\xA6" "three");
    EXPECT_EQ(m.truncated(text, 40, LineBreakMode::ByTruncatingMiddle).string(), "one\xE2\x80\xA6" "ee");
    EXPECT_EQ(m.truncated(text, 100, LineBreakMode::ByTruncatingTail), text) << "what fits stays whole";
    EXPECT_EQ(m.truncated(text, 40, LineBreakMode::ByClipping).string(), "one tw") << "clipping cuts without an ellipsis";

    ParagraphStyle centred;
    centred.alignment = TextAlignment::Center;
    centred.lineBreakMode = LineBreakMode::ByTruncatingTail;
    TextAttributes a = ten;
    a.paragraphStyle = centred;
    const auto lines = m.layOut(AttributedString("abc", a), Rect(0, 5, 100, 30));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].origin, (Point{41, 5}));
    EXPECT_EQ(lines[0].baseline, 14);
}

// Styled documents (help texts) set each paragraph by its own style: a list
// item hangs its wrapped lines at the head indent after the bullet's tab, a
// heading's large font makes only its own line tall, and the spacing after a
// paragraph separates it from the next.
TEST(HeadlessTextMetrics, LaysOutEachParagraphByItsOwnStyle) {
    HeadlessTextMetrics m;
    ParagraphStyle list;
    list.tabStops = {{TextAlignment::Left, 30}};
    list.headIndent = 30;
    list.paragraphSpacing = 4;
    TextAttributes item;
    item.font = Font::systemFont(10);
    item.paragraphStyle = list;
    TextAttributes heading;
    heading.font = Font::systemFont(20);
    heading.paragraphStyle = ParagraphStyle{};
    AttributedString text("\xE3\x83\xBB\tItem one two three four\n", item);
    text.append("Big", heading);

    struct Piece {
        std::string text;
        Point origin;
        double height;
        bool operator==(const Piece&) const = default;
    };
    std::vector<Piece> pieces;
    for (const auto& line : m.layOut(text, Rect(0, 0, 100, 1000))) pieces.push_back({line.text.string(), line.origin, line.height});
    const std::vector<Piece> expected{{"\xE3\x83\xBB", {0, 0}, 12},   {"Item one", {30, 0}, 12}, {"two three", {30, 12}, 12},
                                      {"four", {30, 24}, 12}, {"Big", {0, 40}, 24}};
    EXPECT_EQ(pieces, expected);
    EXPECT_EQ(m.sizeOfLaidOutText(text, 100), (Size{84, 64}));
}

}  // namespace
