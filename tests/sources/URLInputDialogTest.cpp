// The question dialog of URL templates, answered through the modal script:
// OK and Return give the text, Cancel and closing give none, the label and
// the application icon, and a scene that cannot be made.

#include "sources/urls/URLInputDialog.h"

#include <gtest/gtest.h>

#include "SourcesTestSupport.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/Storyboard.h"
#include "platform/appkit/Window.h"
#include "support/KitHarness.h"

using namespace frelt;

namespace {

class URLInputDialogTest : public SourcesTest {
protected:
    // Answers the next dialog with `act` run on its controller inside the session.
    void answer(std::function<void(URLInputViewController&, platform::TextField&)> act) {
        script->answerDialog([this, act](const std::shared_ptr<platform::Window>& window) {
            auto controller = std::dynamic_pointer_cast<URLInputViewController>(window->contentViewController());
            EXPECT_TRUE(controller);
            shown = controller;
            shownWindow = window;
            act(*controller, *controller->inputURL.lock());
            return platform::modalresponse::cancel;  // only when nothing above ended it
        });
    }
    std::shared_ptr<URLInputViewController> shown;
    std::shared_ptr<platform::Window> shownWindow;
};

TEST_F(URLInputDialogTest, OKAndReturnGiveTheTextCancelAndClosingGiveNone) {
    answer([](URLInputViewController& c, platform::TextField& field) {
        field.setStringValue("two words");
        c.btnOKClick();
    });
    EXPECT_EQ(showURLInputDialog("https://example.org/?q=%%userInput:Term%%", "Term"), "two words");
    EXPECT_EQ(shown->modalResponse, platform::modalresponse::ok);

    // The field has the keyboard as the dialog opens: keys alone answer.
    answer([](URLInputViewController&, platform::TextField&) {
        kit::typeText("typed");
        kit::pressKey(platform::keycode::returnKey, "\r");
    });
    EXPECT_EQ(showURLInputDialog("https://example.org/?q=%%userInput%%", ""), "typed");

    answer([](URLInputViewController&, platform::TextField&) {
        kit::typeText("typed but escaped");
        kit::pressKey(platform::keycode::escape, "\x1b");
    });
    EXPECT_EQ(showURLInputDialog("https://example.org/?q=%%userInput%%", ""), std::nullopt);

    answer([](URLInputViewController& c, platform::TextField& field) {
        field.setStringValue("");
        c.btnOKClick();
    });
    EXPECT_EQ(showURLInputDialog("https://example.org/?q=%%userInput%%", ""), "") << "OK with nothing typed";

    answer([](URLInputViewController& c, platform::TextField& field) {
        field.setStringValue("typed but cancelled");
        c.btnCancelClick();
    });
    EXPECT_EQ(showURLInputDialog("https://example.org/?q=%%userInput%%", ""), std::nullopt);

    answer([](URLInputViewController& c, platform::TextField&) { c.view()->window()->close(); });
    EXPECT_EQ(showURLInputDialog("https://example.org/?q=%%userInput%%", ""), std::nullopt);
}

TEST_F(URLInputDialogTest, TheLabelAndTheIconOfTheApplicationThatWillOpenTheURL) {
    const auto browser = makeApplication("apps/browser.desktop", "Browser");
    workspace->defaultApplications["https://example.org/?q="] = platform::URL::fileURL(browser);
    workspace->icons[browser] = std::make_shared<platform::Image>(platform::Size{64, 64});
    workspace->icons[browser]->setName("browser icon");
    const auto iconShown = [this] { return shown->imageURL.lock()->image(); };

    answer([](URLInputViewController& c, platform::TextField&) { c.btnCancelClick(); });
    showURLInputDialog("https://example.org/?q=%%userInput%%", "");
    EXPECT_EQ(shown->labelURL.lock()->stringValue(), "Input");
    EXPECT_EQ(iconShown()->name(), "browser icon");

    answer([](URLInputViewController& c, platform::TextField&) { c.btnCancelClick(); });
    showURLInputDialog("x-nobody://find?q=%%userInput:Where to%%", "Where to");
    EXPECT_EQ(shown->labelURL.lock()->stringValue(), "Where to");
    EXPECT_EQ(iconShown()->name(), "url_Custom");

    EXPECT_EQ(shown->preferredContentSize(), (platform::Size{480, 217}));
    const auto window = shownWindow;
    EXPECT_EQ(window->titleVisibility(), platform::TitleVisibility::hidden);
    EXPECT_EQ(window->title(), "Where to") << "the window list names it by its question";
    // Centred on the screen (1920 wide) rather than at its corner.
    EXPECT_EQ(window->frame().midX(), 960);
    EXPECT_GT(window->frame().minY(), 25);
    EXPECT_TRUE(window->titlebarAppearsTransparent());
    EXPECT_TRUE(window->isMovableByWindowBackground());
}

TEST_F(URLInputDialogTest, ASceneThatCannotBeMadeAsksNothing) {
    registerURLInputDialogScene();
    platform::SceneRegistry::shared()->setSceneFails("DialogURLInput", "URLInputWindowController");
    EXPECT_EQ(showURLInputDialog("https://example.org/?q=%%userInput%%", "Q"), std::nullopt);
    EXPECT_TRUE(script->presented().empty());
}

}  // namespace
