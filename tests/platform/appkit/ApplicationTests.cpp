#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include "KitTestSupport.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Storyboard.h"
#include "platform/appkit/Window.h"
#include "platform/appkit/WindowController.h"
#include "platform/foundation/FailureHook.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace platform;
using kittest::Calls;
using kittest::ResponderView;

namespace {

class RecordingAppDelegate : public Object, public ApplicationDelegate {
public:
    explicit RecordingAppDelegate(std::shared_ptr<Calls> calls) : calls_(std::move(calls)) {}
    TerminateReply reply = TerminateReply::now;

    void applicationWillFinishLaunching(const Notification&) override { calls_->push_back("willFinishLaunching"); }
    void applicationDidFinishLaunching(const Notification&) override { calls_->push_back("didFinishLaunching"); }
    void applicationWillBecomeActive(const Notification&) override { calls_->push_back("willBecomeActive"); }
    void applicationDidBecomeActive(const Notification&) override { calls_->push_back("didBecomeActive"); }
    void applicationWillResignActive(const Notification&) override { calls_->push_back("willResignActive"); }
    void applicationDidResignActive(const Notification&) override { calls_->push_back("didResignActive"); }
    TerminateReply applicationShouldTerminate(Application&) override {
        calls_->push_back("shouldTerminate");
        return reply;
    }
    void applicationWillTerminate(const Notification&) override { calls_->push_back("willTerminate"); }
    bool applicationOpenFile(Application&, const std::string& path) override {
        calls_->push_back("openFile " + path);
        return true;
    }
    void answer(const Selector& action) {
        registerAction(action, [this, action](const std::shared_ptr<Object>&) { calls_->push_back("appDelegate " + action); });
    }

private:
    std::shared_ptr<Calls> calls_;
};

// A window controller, window delegate or application that answers actions
// the test names.
template <class Base>
class Answering : public Base {
public:
    Answering(std::string name, std::shared_ptr<Calls> calls) : name_(std::move(name)), calls_(std::move(calls)) {}
    void answer(const Selector& action) {
        this->registerAction(action, [this, action](const std::shared_ptr<Object>&) { calls_->push_back(name_ + " " + action); });
    }

private:
    std::string name_;
    std::shared_ptr<Calls> calls_;
};

struct AnsweringWindowDelegate : Object, WindowDelegate {
    AnsweringWindowDelegate(std::shared_ptr<Calls> c) : calls(std::move(c)) {}
    void answer(const Selector& action) {
        registerAction(action, [this, action](const std::shared_ptr<Object>&) { calls->push_back("windowDelegate " + action); });
    }
    std::shared_ptr<Calls> calls;
};

class ApplicationTest : public FreltTest {
protected:
    std::shared_ptr<Calls> calls = std::make_shared<Calls>();
    std::shared_ptr<Application> app = Application::shared();
};

class ApplicationLifeTest : public ApplicationTest {
protected:
    std::shared_ptr<RecordingAppDelegate> delegate = std::make_shared<RecordingAppDelegate>(calls);
    void SetUp() override {
        ApplicationTest::SetUp();
        app->setDelegate(delegate);
    }
};

TEST_F(ApplicationLifeTest, LaunchingTellsTheDelegateAndTheCentreOnceThenActivates) {
    std::vector<std::string> notes;
    auto observation = NotificationCenter::defaultCenter().observe("", app.get(), [&](const Notification& n) {
        notes.push_back(n.name);
    });
    app->finishLaunching();
    app->finishLaunching();  // once only
    EXPECT_EQ(*calls, (Calls{"willFinishLaunching", "didFinishLaunching", "willBecomeActive", "didBecomeActive"}));
    EXPECT_EQ(notes, (std::vector<std::string>{applicationnotification::willFinishLaunching,
                                               applicationnotification::didFinishLaunching,
                                               applicationnotification::willBecomeActive,
                                               applicationnotification::didBecomeActive}));
    EXPECT_TRUE(app->isActive());
}

TEST_F(ApplicationLifeTest, ActivationChangesAreToldOnlyWhenTheStateChanges) {
    app->finishLaunching();
    calls->clear();
    app->activate();  // already active
    app->deactivate();
    app->deactivate();  // already inactive
    app->activate();
    EXPECT_EQ(*calls, (Calls{"willResignActive", "didResignActive", "willBecomeActive", "didBecomeActive"}));
}

TEST_F(ApplicationLifeTest, FilesHandedOverOpenOneByOneThroughTheDelegate) {
    app->openFiles({"/a", "/b"});
    app->openFiles({});
    EXPECT_EQ(*calls, (Calls{"openFile /a", "openFile /b"}));
}

TEST_F(ApplicationLifeTest, TerminationFollowsTheDelegatesReplyNowLaterOrCancel) {
    delegate->reply = TerminateReply::cancel;
    app->terminate();
    EXPECT_FALSE(app->hasTerminated());
    delegate->reply = TerminateReply::later;
    app->terminate();
    EXPECT_FALSE(app->hasTerminated()) << "until the delegate replies";
    app->replyToApplicationShouldTerminate(true);
    EXPECT_TRUE(app->hasTerminated());
    app->terminate();  // once terminated, nothing more to ask
    EXPECT_EQ(*calls, (Calls{"shouldTerminate", "shouldTerminate", "willTerminate"}));
}

TEST_F(ApplicationTest, KitEntryPointsCalledFromAnotherThreadAreReported) {
#ifdef NDEBUG
    GTEST_SKIP() << "the main-thread checks are off in builds without assertions";
#endif
    std::mutex m;
    std::vector<std::string> failures;
    platform::setFailureHandler([&](const std::string& message) {
        std::lock_guard lock(m);
        failures.push_back(message);
    });
    std::thread other([&] {
        (void)std::make_shared<View>();
        (void)std::make_shared<Window>();
        app->sendEvent(nullptr);
        (void)SceneRegistry::shared()->instantiate("KitTestMain", "Missing");
    });
    other.join();
    using testing::HasSubstr;
    EXPECT_THAT(failures, testing::ElementsAre(HasSubstr("View::View"), HasSubstr("Window::Window"),
                                               HasSubstr("Application::sendEvent"),
                                               HasSubstr("SceneRegistry::instantiate")));
}

TEST_F(ApplicationTest, AccessoryProgramIsNotActivatedAtLaunch) {
    app->setActivationPolicy(ActivationPolicy::accessory);
    app->finishLaunching();
    EXPECT_FALSE(app->isActive());
}

TEST_F(ApplicationTest, LocalMonitorsSeeKeysAndFlagsBeforeTheWindowAndMaySwallowThem) {
    auto window = std::make_shared<Window>();
    auto view = std::make_shared<ResponderView>("view", calls);
    window->contentView()->addSubview(view);
    kit::makeKey(window);
    window->makeFirstResponder(view);
    calls->clear();

    bool swallow = false;
    auto keys = app->addLocalMonitorForEventsMatchingMask(eventmask::keyDown, [&](const EventPtr& e) -> EventPtr {
        calls->push_back("keyMonitor " + e->characters);
        EXPECT_EQ(app->currentEvent(), e);
        return swallow ? nullptr : e;
    });
    auto flags = app->addLocalMonitorForEventsMatchingMask(eventmask::flagsChanged, [&](const EventPtr& e) -> EventPtr {
        calls->push_back("flagsMonitor " + std::to_string(e->modifierFlags));
        return e;
    });

    kit::typeText("x");
    kit::changeFlags(modifierflags::command);
    EXPECT_EQ(*calls, (Calls{"keyMonitor x", "view.keyDown x", "flagsMonitor 1048576", "view.flagsChanged 1048576"}));
    EXPECT_EQ(Event::currentModifierFlags(), modifierflags::command);
    calls->clear();

    swallow = true;
    kit::typeText("y");
    EXPECT_EQ(*calls, (Calls{"keyMonitor y"})) << "a swallowed key never reaches the window";
    calls->clear();

    // A monitor may hand on a different event.
    app->removeMonitor(keys);
    auto rewrite = app->addLocalMonitorForEventsMatchingMask(eventmask::keyDown, [](const EventPtr& e) -> EventPtr {
        auto copy = std::make_shared<Event>(*e);
        copy->characters = "z";
        return copy;
    });
    kit::typeText("q");
    EXPECT_EQ(*calls, (Calls{"view.keyDown z"}));
    app->removeMonitor(rewrite);
    app->removeMonitor(flags);
    calls->clear();

    // Global monitors only hear input from elsewhere.
    auto global = app->addGlobalMonitorForEventsMatchingMask(eventmask::flagsChanged, [&](const Event& e) {
        calls->push_back("global " + std::to_string(e.modifierFlags));
    });
    kit::changeFlags(modifierflags::option);
    kit::globalFlagsChanged(modifierflags::shift);
    EXPECT_EQ(*calls, (Calls{"view.flagsChanged 524288", "global 131072"}));
    app->removeMonitor(global);
}

TEST_F(ApplicationTest, MonitorRemovingItselfDuringDispatchIsSafe) {
    auto window = std::make_shared<Window>();
    kit::makeKey(window);
    int seen = 0;
    Subscription self;
    self = app->addLocalMonitorForEventsMatchingMask(eventmask::keyDown, [&](const EventPtr& e) -> EventPtr {
        ++seen;
        app->removeMonitor(self);
        return e;
    });
    kit::typeText("ab");
    EXPECT_EQ(seen, 1);
}

TEST_F(ApplicationTest, SendActionWalksTheResponderChain) {
    auto appDelegate = std::make_shared<RecordingAppDelegate>(calls);
    app->setDelegate(appDelegate);
    auto controller = std::make_shared<Answering<WindowController>>("windowController", calls);
    auto windowDelegate = std::make_shared<AnsweringWindowDelegate>(calls);
    auto window = std::make_shared<Answering<Window>>("window", calls);
    controller->setWindow(window);
    window->setDelegate(windowDelegate);
    auto vc = std::make_shared<Answering<ViewController>>("viewController", calls);
    auto container = std::make_shared<ResponderView>("container", calls);
    vc->setView(container);
    window->setContentViewController(vc);
    auto field = std::make_shared<ResponderView>("field", calls);
    container->addSubview(field);
    kit::makeKey(window);
    window->makeFirstResponder(field);
    calls->clear();

    // Each level answers one action; the first in the chain wins.
    field->answer("a:");
    container->answer("a:");
    container->answer("b:");
    vc->answer("c:");
    window->answer("d:");
    controller->answer("e:");
    windowDelegate->answer("f:");
    appDelegate->answer("g:");
    appDelegate->answer("a:");
    for (const char* action : {"a:", "b:", "c:", "d:", "e:", "f:", "g:"}) EXPECT_TRUE(app->sendAction(action, nullptr, field));
    EXPECT_EQ(*calls, (Calls{"field a:", "container b:", "viewController c:", "window d:", "windowController e:",
                             "windowDelegate f:", "appDelegate g:"}));
    calls->clear();

    EXPECT_FALSE(app->sendAction("nobody:", nullptr, nullptr));
    EXPECT_TRUE(app->sendAction("a:", appDelegate, nullptr)) << "an explicit target goes first";
    EXPECT_EQ(*calls, (Calls{"appDelegate a:"}));
    EXPECT_FALSE(app->sendAction("b:", appDelegate, nullptr)) << "a target that does not answer gets nothing";

    // An inactive program has no key window; its main window's chain still counts.
    app->deactivate();
    calls->clear();
    EXPECT_EQ(app->keyWindow(), nullptr);
    EXPECT_TRUE(app->sendAction("b:", nullptr, nullptr));
    EXPECT_EQ(*calls, (Calls{"container b:"}));
    // With no window at all, only the application and its delegate are asked.
    window->close();
    EXPECT_EQ(app->mainWindow(), nullptr);
    EXPECT_FALSE(app->sendAction("b:", nullptr, nullptr));
    EXPECT_EQ(app->targetForAction("a:"), appDelegate);
}

TEST_F(ApplicationTest, ShortcutsGoDownTheViewTreeBeforeTheFirstResponder) {
    struct Shortcut : View {
        std::shared_ptr<Calls> calls;
        bool performKeyEquivalent(const Event& e) override {
            if (e.charactersIgnoringModifiers != "f") return false;
            calls->push_back("shortcut " + e.charactersIgnoringModifiers);
            return true;
        }
    };
    auto window = std::make_shared<Window>();
    auto shortcut = std::make_shared<Shortcut>();
    shortcut->calls = calls;
    auto field = std::make_shared<ResponderView>("field", calls);
    window->contentView()->addSubview(shortcut);
    window->contentView()->addSubview(field);
    kit::makeKey(window);
    window->makeFirstResponder(field);
    calls->clear();
    kit::pressShortcut('f', modifierflags::command);
    kit::pressShortcut('g', modifierflags::command);
    kit::typeText("f");
    EXPECT_EQ(*calls, (Calls{"shortcut f", "field.keyDown g", "field.keyDown f"}));
}

TEST_F(ApplicationTest, ApplicationAnswersTerminate) {
    auto delegate = std::make_shared<RecordingAppDelegate>(calls);
    app->setDelegate(delegate);
    EXPECT_TRUE(app->sendAction("terminate:", nullptr, nullptr));
    EXPECT_TRUE(app->hasTerminated());
}

TEST_F(ApplicationTest, ClickOnAnInactiveProgramsWindowActivatesAndMakesItKey) {
    auto delegate = std::make_shared<RecordingAppDelegate>(calls);
    app->setDelegate(delegate);
    auto w1 = std::make_shared<Window>(Rect(0, 0, 100, 100));
    auto w2 = std::make_shared<Window>(Rect(200, 0, 100, 100));
    w1->orderFront();
    w2->orderFront();
    kit::click(w1, Point{10, 10});
    EXPECT_TRUE(app->isActive());
    EXPECT_EQ(app->keyWindow(), w1);
    EXPECT_EQ(app->orderedWindows().front(), w1);
    EXPECT_EQ(app->currentEvent()->type, EventType::leftMouseUp) << "the last event stays current";
    auto backend = std::dynamic_pointer_cast<HeadlessKitBackend>(app->backend());
    ASSERT_NE(backend, nullptr);
    EXPECT_EQ(backend->count("key " + std::to_string(w1->windowNumber())), 1u);
}

}  // namespace
