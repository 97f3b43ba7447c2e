#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "KitTestSupport.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/ModalScript.h"
#include "platform/appkit/Screen.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/Window.h"
#include "platform/appkit/WindowController.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/SingleInstance.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace platform;
using kittest::Calls;
using kittest::ResponderView;

namespace {

class WindowTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        window = std::make_shared<Window>(Rect(100, 100, 400, 300));
        a = std::make_shared<ResponderView>("a", calls, Rect(10, 10, 100, 30));
        b = std::make_shared<ResponderView>("b", calls, Rect(10, 50, 100, 30));
        window->contentView()->addSubview(a);
        window->contentView()->addSubview(b);
    }

    std::shared_ptr<Calls> calls = std::make_shared<Calls>();
    std::shared_ptr<Window> window;
    std::shared_ptr<ResponderView> a;
    std::shared_ptr<ResponderView> b;
};

TEST_F(WindowTest, FirstResponderChangesAreGatedByBothResponders) {
    std::vector<std::shared_ptr<Responder>> seen;
    auto observation = window->observeFirstResponder([&](const std::shared_ptr<Responder>& r) { seen.push_back(r); });
    ASSERT_EQ(seen.size(), 1u) << "the observation starts with the current first responder";
    EXPECT_EQ(seen[0], nullptr);

    EXPECT_TRUE(window->makeFirstResponder(a));
    EXPECT_EQ(window->firstResponder(), a);
    EXPECT_EQ(*calls, (Calls{"a.become"}));

    struct Case {
        const char* what;
        bool aResigns;
        bool bAccepts;
        bool bBecomes;
        bool answer;
        const char* firstResponderAfter;  // "a", "b" or "window"
        Calls calls;
    };
    const Case cases[] = {
        {"the old one refuses to resign", false, true, true, false, "a", {"a.resign"}},
        {"the new one does not accept", true, false, true, false, "a", {}},
        {"the new one refuses to become", true, true, false, false, "window", {"a.resign", "b.become"}},
        {"both agree", true, true, true, true, "b", {"a.resign", "b.become"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        window->makeFirstResponder(a);
        calls->clear();
        seen.clear();
        a->agreesToResign = c.aResigns;
        b->accepts = c.bAccepts;
        b->agreesToBecome = c.bBecomes;
        EXPECT_EQ(window->makeFirstResponder(b), c.answer);
        EXPECT_EQ(*calls, c.calls);
        const std::string after = c.firstResponderAfter;
        std::shared_ptr<Responder> expected = after == "a" ? std::shared_ptr<Responder>(a)
                                              : after == "b" ? std::shared_ptr<Responder>(b)
                                                             : std::shared_ptr<Responder>(window);
        EXPECT_EQ(window->firstResponder(), expected);
        if (after == "a") {
            EXPECT_TRUE(seen.empty()) << "no change, no call";
        } else {
            ASSERT_EQ(seen.size(), 1u);
            EXPECT_EQ(seen[0], expected);
        }
        a->agreesToResign = true;
        b->accepts = b->agreesToBecome = true;
    }

    observation.cancel();
    seen.clear();
    window->makeFirstResponder(nullptr);
    EXPECT_TRUE(seen.empty()) << "an ended observation is not called";
    EXPECT_EQ(window->firstResponder(), window);
}

TEST_F(WindowTest, RemovingOrHidingTheFirstResponderHandsItToTheWindow) {
    window->makeFirstResponder(a);
    a->agreesToResign = false;  // a view leaving the window cannot hold on
    a->removeFromSuperview();
    EXPECT_EQ(window->firstResponder(), window);

    window->makeFirstResponder(b);
    b->setHidden(true);
    EXPECT_EQ(window->firstResponder(), window);
    EXPECT_FALSE(window->makeFirstResponder(a)) << "a view of another window (or none) is refused";
}

TEST_F(WindowTest, ClicksMakeTheViewFirstResponderAndTabWalksTheKeyViewLoop) {
    kit::makeKey(window);
    kit::clickView(b);
    EXPECT_EQ(window->firstResponder(), b);
    EXPECT_EQ(calls->back(), "b.mouseDown");

    window->recalculateKeyViewLoop();
    EXPECT_EQ(b->nextKeyView(), a) << "the loop wraps around";
    kit::pressKey(keycode::tab);
    // b handles keyDown itself, so Tab never reaches the window: record and
    // pass it on as a real editing view would.
    EXPECT_EQ(calls->back(), "b.keyDown \t");
    window->selectNextKeyView();
    EXPECT_EQ(window->firstResponder(), a);
    window->selectPreviousKeyView();
    EXPECT_EQ(window->firstResponder(), b);
}

// A text field whose end of editing moves the focus elsewhere (to a list,
// say) while a click is taking it to a third view: the click's view ends up
// first responder, and the view the nested change put in was told it lost it.
TEST_F(WindowTest, AChangeRequestedWhileAnotherIsUnderWayLeavesOneFirstResponder) {
    auto list = std::make_shared<ResponderView>("list", calls, Rect(200, 10, 100, 30));
    window->contentView()->addSubview(list);
    auto field = TextField::textField("text");
    field->setFrame(Rect(10, 100, 150, 24));
    window->contentView()->addSubview(field);
    struct MovesFocusOnEnd : ControlTextEditingDelegate {
        std::shared_ptr<Window> window;
        std::shared_ptr<View> to;
        void controlTextDidEndEditing(const Notification&) override { window->makeFirstResponder(to); }
    };
    auto delegate = std::make_shared<MovesFocusOnEnd>();
    delegate->window = window;
    delegate->to = list;
    field->setDelegate(delegate);
    std::vector<std::shared_ptr<Responder>> seen;
    auto observation = window->observeFirstResponder([&](const std::shared_ptr<Responder>& r) { seen.push_back(r); }, false);

    kit::makeKey(window);
    kit::clickView(field);
    ASSERT_TRUE(field->currentEditor());
    calls->clear();
    seen.clear();
    kit::clickView(b);

    EXPECT_EQ(window->firstResponder(), b);
    EXPECT_EQ(*calls, (Calls{"list.become", "list.resign", "b.become", "b.mouseDown"}))
        << "the list, put in while the field let go, is told it lost the focus";
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), b) << "observers hear of the last change last";
    EXPECT_EQ(field->currentEditor(), nullptr);
}

// A window made key while the user works in a window of a higher level (the
// floating launcher) comes up at that level, in front of it, and goes back
// to its own level once it is ordered out. Shown without the keyboard, or
// over a lower window, it keeps its level.
TEST_F(WindowTest, AWindowMadeKeyOverAHigherWindowStandsAtItsLevelWhileShown) {
    Application::shared()->activate();
    auto launcher = std::make_shared<Window>(Rect(0, 0, 300, 200), stylemask::titled);
    launcher->setLevel(windowlevel::modalPanel);
    launcher->makeKeyAndOrderFront(nullptr);
    ASSERT_TRUE(launcher->isKeyWindow());

    auto dialog = std::make_shared<Window>(Rect(20, 20, 200, 100), stylemask::titled);
    dialog->makeKeyAndOrderFront(nullptr);
    EXPECT_TRUE(dialog->isKeyWindow());
    EXPECT_EQ(dialog->level(), windowlevel::modalPanel);
    dialog->close();
    EXPECT_EQ(dialog->level(), windowlevel::normal) << "the raised level outlived the window's showing";

    launcher->makeKeyAndOrderFront(nullptr);
    auto behind = std::make_shared<Window>(Rect(20, 20, 200, 100), stylemask::titled);
    behind->orderFront(nullptr);
    EXPECT_EQ(behind->level(), windowlevel::normal) << "ordered front without the keyboard";
    behind->orderOut(nullptr);

    launcher->orderOut(nullptr);
    auto floating = std::make_shared<Window>(Rect(20, 20, 200, 100), stylemask::titled);
    floating->setLevel(windowlevel::floating);
    auto low = std::make_shared<Window>(Rect(0, 0, 100, 100), stylemask::titled);
    low->makeKeyAndOrderFront(nullptr);
    ASSERT_EQ(low->level(), windowlevel::normal);
    floating->makeKeyAndOrderFront(nullptr);
    EXPECT_EQ(floating->level(), windowlevel::floating) << "over a lower window";
}

TEST_F(WindowTest, KeyWindowFollowsActivationOrderAndClosing) {
    auto app = Application::shared();
    auto other = std::make_shared<Window>(Rect(0, 0, 200, 200));
    window->makeKeyAndOrderFront();
    EXPECT_FALSE(window->isKeyWindow()) << "an inactive program has no key window";
    app->activate();
    EXPECT_TRUE(window->isKeyWindow()) << "activation makes the remembered window key";

    std::vector<std::string> notes;
    auto o1 = NotificationCenter::defaultCenter().observe(windownotification::didBecomeKey, nullptr, [&](const Notification& n) {
        notes.push_back("becomeKey " + std::to_string(static_cast<const Window*>(n.sender)->windowNumber()));
    });
    auto o2 = NotificationCenter::defaultCenter().observe(windownotification::didResignKey, nullptr, [&](const Notification& n) {
        notes.push_back("resignKey " + std::to_string(static_cast<const Window*>(n.sender)->windowNumber()));
    });
    other->makeKeyAndOrderFront();
    EXPECT_EQ(app->keyWindow(), other);
    EXPECT_EQ(app->orderedWindows(), (std::vector<std::shared_ptr<Window>>{other, window}));
    const auto w = std::to_string(window->windowNumber()), o = std::to_string(other->windowNumber());
    EXPECT_EQ(notes, (std::vector<std::string>{"resignKey " + w, "becomeKey " + o}));
    notes.clear();

    other->close();
    EXPECT_EQ(app->keyWindow(), window) << "the next window in front becomes key";
    EXPECT_EQ(notes, (std::vector<std::string>{"resignKey " + o, "becomeKey " + w}));

    app->deactivate();
    EXPECT_EQ(app->keyWindow(), nullptr);
    app->activate();
    EXPECT_EQ(app->keyWindow(), window);

    // Levels keep floating windows in front of normal ones.
    auto floating = std::make_shared<Window>();
    floating->setLevel(windowlevel::floating);
    floating->orderFront();
    window->orderFront();
    EXPECT_EQ(app->orderedWindows().front(), floating);
}

TEST_F(WindowTest, HidesOnDeactivateAndComesBack) {
    auto app = Application::shared();
    kit::makeKey(window);
    window->setHidesOnDeactivate(true);
    app->deactivate();
    EXPECT_FALSE(window->isVisible());
    app->activate();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isKeyWindow());
}

TEST_F(WindowTest, PerformCloseAsksTheDelegate) {
    struct Delegate : WindowDelegate {
        bool allow = false;
        int asked = 0;
        bool windowShouldClose(const std::shared_ptr<Window>&) override {
            ++asked;
            return allow;
        }
    };
    auto d = std::make_shared<Delegate>();
    window->setDelegate(d);
    window->orderFront();
    window->performClose();
    EXPECT_TRUE(window->isVisible());
    d->allow = true;
    window->performClose();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(d->asked, 2);
}

TEST_F(WindowTest, FieldEditorComesFromTheDelegateOrTheInstalledFactory) {
    EXPECT_EQ(window->fieldEditor(false, a), nullptr) << "none until one is asked for";
    auto own = window->fieldEditor(true, a);
    EXPECT_NE(std::dynamic_pointer_cast<TextView>(own), nullptr) << "without a factory, the kit's text view";
    EXPECT_EQ(window->fieldEditor(false, b), own) << "one editor per window";

    auto made = std::make_shared<View>();
    Window::setFieldEditorFactory([made] { return made; });
    auto other = std::make_shared<Window>();
    EXPECT_EQ(other->fieldEditor(true, a), made);

    struct Delegate : WindowDelegate {
        std::shared_ptr<View> custom = std::make_shared<View>();
        std::shared_ptr<View> windowWillReturnFieldEditor(const std::shared_ptr<Window>&,
                                                          const std::shared_ptr<Object>& client) override {
            return client ? custom : nullptr;
        }
    };
    auto d = std::make_shared<Delegate>();
    window->setDelegate(d);
    EXPECT_EQ(window->fieldEditor(true, a), d->custom);
}

// A factory one test installs must not make the next test's editors.
TEST_F(WindowTest, AnInstalledFieldEditorFactoryIsForgottenBetweenTests) {
    Window::setFieldEditorFactory([] { return std::make_shared<View>(); });
    singleinstance::resetAll();
    EXPECT_NE(std::dynamic_pointer_cast<TextView>(std::make_shared<Window>()->fieldEditor(true, a)), nullptr);
}

TEST_F(WindowTest, ModalSessionRunsNestedUntilStoppedAndHoldsInput) {
    auto app = Application::shared();
    kit::makeKey(window);
    auto panel = std::make_shared<Window>(Rect(0, 0, 200, 100));
    auto inPanel = std::make_shared<ResponderView>("panel", calls, Rect(0, 0, 200, 100));
    panel->contentView()->addSubview(inPanel);

    std::vector<std::string> during;
    auto timer = Timer::make(seconds(1), false, [&](Timer&) {
        during.push_back(RunLoop::main().currentMode());
        EXPECT_EQ(app->modalWindow(), panel);
        EXPECT_TRUE(panel->isKeyWindow());
        kit::click(window, kit::centerInWindow(*a));  // another window: dropped
        kit::click(panel, Point{50, 50});
        app->stopModalWithCode(modalresponse::ok);
    });
    RunLoop::main().addTimer(timer, RunLoopMode::modalPanel);
    const ModalResponse response = app->runModalForWindow(panel);
    EXPECT_EQ(response, modalresponse::ok);
    EXPECT_EQ(during, (std::vector<std::string>{RunLoopMode::modalPanel}));
    EXPECT_EQ(*calls, (Calls{"panel.become", "panel.mouseDown"}));
    EXPECT_FALSE(app->isInModalSession());
}

TEST_F(WindowTest, ClosingAModalPanelEndsItsSessionThroughTheDelegate) {
    // The pattern of the program's dialogs: the controller's will-close ends
    // the loop its window runs in.
    struct StopOnClose : WindowDelegate {
        void windowWillClose(const Notification& n) override {
            auto w = *n.objectAs<std::shared_ptr<Window>>();
            if (w->isModalPanel() && w->isVisible()) Application::shared()->stopModal();
        }
    };
    auto panel = std::make_shared<Window>(Rect(0, 0, 200, 100));
    panel->setModalPanel(true);
    auto d = std::make_shared<StopOnClose>();
    panel->setDelegate(d);
    bool sawPanel = false;
    auto timer = Timer::make(seconds(2), false, [&](Timer&) {
        for (auto& w : Application::shared()->windows())
            if (w->isModalPanel() && w->isVisible()) sawPanel = true;
        panel->performClose();
    });
    RunLoop::main().addTimer(timer, RunLoopMode::common);
    EXPECT_EQ(Application::shared()->runModalForWindow(panel), modalresponse::stop);
    EXPECT_TRUE(sawPanel);
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(WindowTest, AModalSessionNobodyEndsFailsInsteadOfHanging) {
    static std::shared_ptr<Window> panel;
    static ModalResponse response;
    panel = std::make_shared<Window>(Rect(0, 0, 200, 100));
    EXPECT_NONFATAL_FAILURE(response = Application::shared()->runModalForWindow(panel), "would wait forever");
    EXPECT_EQ(response, modalresponse::abort);
    EXPECT_FALSE(Application::shared()->isInModalSession());
    panel.reset();
}

TEST_F(WindowTest, SheetsEndWithTheirCompletion) {
    kit::makeKey(window);
    auto sheet = std::make_shared<Window>(Rect(0, 0, 200, 100));
    std::optional<ModalResponse> result;
    window->beginSheet(sheet, [&](ModalResponse r) { result = r; });
    EXPECT_TRUE(sheet->isKeyWindow());
    EXPECT_EQ(sheet->sheetParent(), window);
    EXPECT_EQ(sheet->frame().origin, (Point{200, 100})) << "hangs from the top of the parent, centred";
    window->endSheet(sheet, modalresponse::cancel);
    EXPECT_EQ(result, modalresponse::cancel);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_TRUE(window->isKeyWindow());
}

}  // namespace

namespace {

// A dialog opens where the person looks: centred on the screen that holds
// the pointer and wholly on it, unless the program placed it itself.
TEST_F(WindowTest, AModalDialogNobodyPlacedOpensCentredOnThePointersScreen) {
    Screen::setScreens({{Rect(0, 0, 1280, 800), Rect(0, 30, 1280, 770), "left", 1},
                        {Rect(1280, 0, 1920, 1080), Rect(1280, 0, 1920, 1080), "right", 1}});
    Event::setMouseLocation({1500, 500});
    struct Case {
        const char* what;
        Rect frame;
        std::optional<Point> placedAt;
        Point origin;
    };
    for (const Case& c : {Case{"at the corner", Rect(0, 0, 400, 300), std::nullopt, {2040, 260}},
                          Case{"taller than the screen", Rect(0, 0, 400, 2000), std::nullopt, {2040, 0}},
                          Case{"placed by the program", Rect(0, 0, 400, 300), Point{100, 120}, {100, 120}}}) {
        SCOPED_TRACE(c.what);
        auto dialog = std::make_shared<Window>(c.frame);
        if (c.placedAt) dialog->setFrameOrigin(*c.placedAt);
        ModalScript::shared()->answerDialog(modalresponse::ok);
        EXPECT_EQ(Application::shared()->runModalForWindow(dialog), modalresponse::ok);
        EXPECT_EQ(dialog->frame().origin, c.origin);
        dialog->close();
    }
}

}  // namespace
