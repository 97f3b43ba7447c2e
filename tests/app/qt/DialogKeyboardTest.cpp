// The program's windows and dialogs shown by the Qt backend (offscreen) and
// used from the keyboard alone, with real key events: Return presses the
// default button, Tab and Shift+Tab walk the controls, Space presses the
// focused button, Escape and Ctrl+W close a window, and a dialog that asks
// for text opens with its field focused.

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/FirstRunViewController.h"
#include "app/FreltManager.h"
#include "app/FreltWindowEnum.h"
#include "app/InterfaceResources.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/Window.h"
#include "platform/carbon/HotKeyService.h"
#include "platform/foundation/RunLoop.h"
#include "sources/urls/URLInputDialog.h"
#include "support/qt/QtTestSupport.h"
#include "support/qt/QtUserInput.h"

using namespace frelt;
using platform::Button;

namespace {

class DialogKeyboardTest : public QtKitTest {
protected:
    void SetUp() override {
        QtKitTest::SetUp();
        platform::Workspace::setShared(platform::RecordingWorkspace::make());
        platform::HotKeyService::setShared(std::make_shared<platform::HeadlessHotKeyService>());
        registerInterfaceResources();
        (void)FreltManager::shared();
    }

    static std::shared_ptr<platform::Window> show(FreltWindowEnum kind) {
        auto window = FreltWindow::showWindow(false, kind);
        settle();
        return window;
    }
public:
    static void settleNow() { settle(); }

protected:
    static bool shown(const std::shared_ptr<Button>& button) { return button && !button->isHiddenOrHasHiddenAncestor(); }
};

TEST_F(DialogKeyboardTest, TheFirstRunWindowIsLeafedThroughWithReturnTabAndSpace) {
    const auto window = show(FreltWindowEnum::firstRun);
    ASSERT_TRUE(window && window->isVisible());
    const auto pages = std::dynamic_pointer_cast<FirstRunViewController>(window->contentViewController());
    ASSERT_TRUE(pages);
    const auto back = pages->btnBack.lock(), forward = pages->btnForward.lock(), dismiss = pages->btnDismiss.lock();
    ASSERT_TRUE(shown(forward) && !shown(back));

    // Return: the default button, Forward.
    userinput::key(*window, Qt::Key_Return);
    ASSERT_TRUE(runUntil([&] { return shown(dismiss); })) << "Return did not leaf to the second page";
    EXPECT_TRUE(shown(back));

    // Tab walks the buttons in reading order, round the end; Shift+Tab back.
    userinput::key(*window, Qt::Key_Tab);
    EXPECT_EQ(window->firstResponder(), std::static_pointer_cast<platform::Responder>(back));
    userinput::key(*window, Qt::Key_Tab);
    EXPECT_EQ(window->firstResponder(), std::static_pointer_cast<platform::Responder>(dismiss));
    userinput::key(*window, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(window->firstResponder(), std::static_pointer_cast<platform::Responder>(back));

    // Space presses the focused one: Back.
    userinput::key(*window, Qt::Key_Space);
    ASSERT_TRUE(runUntil([&] { return shown(forward); })) << "Space did not press Back";

    // Return again (Forward), then Return on the last page: Dismiss.
    userinput::key(*window, Qt::Key_Return);
    ASSERT_TRUE(runUntil([&] { return shown(dismiss); }));
    userinput::key(*window, Qt::Key_Return);
    EXPECT_TRUE(runUntil([&] { return !window->isVisible(); })) << "Return on the last page did not dismiss";
}

TEST_F(DialogKeyboardTest, EscapeAndCtrlWCloseTheSettingsAndAboutWindows) {
    for (const auto kind : {FreltWindowEnum::settings, FreltWindowEnum::info}) {
        SCOPED_TRACE(rawValue(kind));
        for (const auto& [key, modifiers] : {std::pair{Qt::Key_Escape, Qt::KeyboardModifiers(Qt::NoModifier)},
                                             std::pair{Qt::Key_W, Qt::KeyboardModifiers(Qt::ControlModifier)}}) {
            const auto window = show(kind);
            ASSERT_TRUE(window && window->isVisible());
            ASSERT_TRUE(window->isKeyWindow());
            userinput::key(*window, key, modifiers);
            EXPECT_TRUE(runUntil([&] { return !window->isVisible(); }, std::chrono::seconds(2)))
                << QKeySequence(key | modifiers).toString().toStdString() << " left the window open";
        }
    }
}

// Runs the URL question dialog for `urlTemplate` as an entry opening it
// does, and works in it with `user` once it is shown and has the keyboard.
// Should the input go nowhere, the dialog ends after a while instead of
// waiting for ever, and `timedOut` says so.
struct QuestionRun {
    std::optional<std::string> answer;
    bool timedOut = false;
};
QuestionRun answerQuestion(const std::string& urlTemplate, const std::string& question,
                           const std::function<void(platform::Window&, URLInputViewController&)>& user) {
    QuestionRun run;
    auto typist = platform::Timer::make(std::chrono::milliseconds(50), true, [&](platform::Timer& timer) {
        const auto dialog = platform::Application::shared()->keyWindow();
        const auto controller =
            dialog ? std::dynamic_pointer_cast<URLInputViewController>(dialog->contentViewController()) : nullptr;
        if (!controller) return;
        timer.invalidate();
        DialogKeyboardTest::settleNow();
        user(*dialog, *controller);
    });
    auto guard = platform::Timer::make(std::chrono::seconds(10), false, [&](platform::Timer&) {
        run.timedOut = true;
        platform::Application::shared()->stopModalWithCode(0);
    });
    platform::RunLoop::main().addTimer(typist, platform::RunLoopMode::common);
    platform::RunLoop::main().addTimer(guard, platform::RunLoopMode::common);
    run.answer = showURLInputDialog(urlTemplate, question);
    guard->invalidate();
    typist->invalidate();
    return run;
}

// Its field has the keyboard at once, so typing and Return answer.
TEST_F(DialogKeyboardTest, TheURLQuestionOpensWithItsFieldFocusedAndReturnAnswersWithWhatWasTyped) {
    bool sawDialog = false, focusedAtOpen = false;
    const auto run = answerQuestion("https://example.org/?q=%%userInput:Term%%", "Term",
                                    [&](platform::Window& dialog, URLInputViewController& controller) {
                                        sawDialog = true;
                                        const auto field = controller.inputURL.lock();
                                        const auto editor =
                                            std::dynamic_pointer_cast<platform::TextView>(dialog.firstResponder());
                                        focusedAtOpen = field && editor && field->currentEditor() == editor;
                                        userinput::type(dialog, "two words");
                                        userinput::key(dialog, Qt::Key_Return);
                                    });
    ASSERT_TRUE(sawDialog);
    EXPECT_FALSE(run.timedOut) << "typing and Return did not end the dialog";
    EXPECT_TRUE(focusedAtOpen) << "the field did not have the keyboard when the dialog opened";
    EXPECT_EQ(run.answer, "two words");
}

TEST_F(DialogKeyboardTest, EscapeCancelsTheURLQuestion) {
    const auto run = answerQuestion("https://example.org/?q=%%userInput%%", "",
                                    [](platform::Window& dialog, URLInputViewController&) {
                                        userinput::type(dialog, "typed");
                                        userinput::key(dialog, Qt::Key_Escape);
                                    });
    EXPECT_FALSE(run.timedOut) << "Escape did not end the dialog";
    EXPECT_EQ(run.answer, std::nullopt);
}


// Its buttons answer a click as well: OK with the typed text, Cancel with none.
TEST_F(DialogKeyboardTest, TheURLQuestionsButtonsAnswerAClick) {
    struct Case {
        const char* button;
        std::optional<std::string> answer;
    };
    for (const Case& c : {Case{"OK", std::string("clicked")}, Case{"Cancel", std::nullopt}}) {
        SCOPED_TRACE(c.button);
        const auto run = answerQuestion("https://example.org/?q=%%userInput%%", "",
                                        [&](platform::Window& dialog, URLInputViewController& controller) {
                                            userinput::type(dialog, "clicked");
                                            std::shared_ptr<Button> button;
                                            controller.view()->forEachInTree([&](platform::View& v) {
                                                if (auto* b = dynamic_cast<Button*>(&v); b && b->title() == c.button)
                                                    button = std::static_pointer_cast<Button>(b->shared_from_this());
                                            });
                                            ASSERT_TRUE(button) << "no button " << c.button;
                                            userinput::click(*button);
                                        });
        EXPECT_FALSE(run.timedOut) << "the click did not end the dialog";
        EXPECT_EQ(run.answer, c.answer);
    }
}

}  // namespace
