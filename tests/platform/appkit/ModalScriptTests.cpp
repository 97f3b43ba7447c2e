#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/appkit/Alert.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/ModalScript.h"
#include "platform/appkit/OpenPanel.h"
#include "platform/appkit/SavePanel.h"
#include "platform/foundation/SingleInstance.h"
#include "support/FreltTest.h"

using namespace platform;

namespace {

class ModalScriptTest : public FreltTest {
protected:
    std::shared_ptr<ModalScript> script = ModalScript::shared();

    std::shared_ptr<Alert> confirmation() {
        auto alert = Alert::make();
        alert->setMessageText("Should the selected entry be renamed?");
        alert->setInformativeText("Current name:\n'a'\n\nNew name:\n'b'");
        alert->addButton("OK");
        alert->addButton("Cancel");
        alert->setShowsSuppressionButton(true);
        return alert;
    }
};

TEST_F(ModalScriptTest, AlertTakesTheScriptedButtonAndLeavesTheSuppressionCheckBoxAsAnswered) {
    script->pressAlertButton(1, /*suppression*/ true);
    script->pressAlertButton(0);

    auto first = confirmation();
    EXPECT_EQ(first->runModal(), 1001);
    EXPECT_EQ(first->suppressionButton()->state(), ControlStateValue::on);

    // No suppression answer: the check box keeps the state it had.
    auto second = confirmation();
    second->suppressionButton()->setState(ControlStateValue::on);
    EXPECT_EQ(second->runModal(), 1000);
    EXPECT_EQ(second->suppressionButton()->state(), ControlStateValue::on);

    EXPECT_EQ(script->presented(), (std::vector<std::string>{"alert: Should the selected entry be renamed?",
                                                              "alert: Should the selected entry be renamed?"}));
    EXPECT_TRUE(script->verifyAllAnswersUsed());
}

TEST_F(ModalScriptTest, AlertButtonsCarryThePlatformReturnCodesAndKeys) {
    auto alert = confirmation();
    alert->addButton("Delete");
    ASSERT_EQ(alert->buttons().size(), 3u);
    EXPECT_EQ(alert->buttons()[0]->tag(), 1000);
    EXPECT_EQ(alert->buttons()[2]->tag(), 1002);
    EXPECT_EQ(alert->buttons()[0]->keyEquivalent(), "\r");
    EXPECT_EQ(alert->buttons()[1]->keyEquivalent(), "\x1b");
    EXPECT_EQ(alert->alertStyle(), AlertStyle::warning);

    // A handler sees the alert as the person would.
    script->answerAlert([](Alert& a) {
        EXPECT_EQ(a.informativeText(), "Current name:\n'a'\n\nNew name:\n'b'");
        return AlertAnswer{Alert::responseForButton(2), false};
    });
    EXPECT_EQ(alert->runModal(), 1002);
    EXPECT_EQ(alert->suppressionButton()->state(), ControlStateValue::off);
}

TEST_F(ModalScriptTest, AnAlertWithoutButtonsGetsOK) {
    script->pressAlertButton(0);
    auto alert = Alert::make();
    alert->setAlertStyle(AlertStyle::informational);
    EXPECT_EQ(alert->runModal(), 1000);
    ASSERT_EQ(alert->buttons().size(), 1u);
    EXPECT_EQ(alert->buttons()[0]->title(), "OK");
}

TEST_F(ModalScriptTest, UnscriptedAlertFailsTheTestAndAnswersLikeACancel) {
    auto alert = confirmation();
    ModalResponse response = 1000;
    EXPECT_NONFATAL_FAILURE(response = alert->runModal(), "unscripted alert \"Should the selected entry be renamed?\"");
    EXPECT_EQ(response, modalresponse::cancel);
    EXPECT_EQ(alert->suppressionButton()->state(), ControlStateValue::off);
}

TEST_F(ModalScriptTest, ImpossibleAnswersFailTheTest) {
    auto alert = confirmation();
    script->pressAlertButton(5);
    ModalResponse response = 0;
    EXPECT_NONFATAL_FAILURE(response = alert->runModal(), "has no button for the answer 1005");
    EXPECT_EQ(response, modalresponse::cancel);

    auto plain = Alert::make();
    plain->addButton("OK");
    script->pressAlertButton(0, true);
    EXPECT_NONFATAL_FAILURE(plain->runModal(), "shows no suppression check box");
}

TEST_F(ModalScriptTest, EachModalTakesTheNextAnswerOfItsKindAndLeftoversAreReported) {
    const URL chosen = URL::fileURL(root().string() + "/a.txt");
    script->chooseInOpenPanel({chosen});
    script->pressAlertButton(1);
    script->pressAlertButton(0);

    EXPECT_EQ(confirmation()->runModal(), 1001);  // skips the panel answer
    auto panel = OpenPanel::make();
    panel->setMessage("Choose a file");
    EXPECT_EQ(panel->runModal(), modalresponse::ok);
    EXPECT_EQ(panel->URLs(), std::vector<URL>{chosen});

    EXPECT_EQ(script->pendingAnswerCount(), 1u);
    EXPECT_EQ(script->pendingAnswerCount(ModalKind::alert), 1u);
    EXPECT_NONFATAL_FAILURE(script->verifyAllAnswersUsed(), "alert answered 1000 (scripted at ModalScriptTests.cpp:");
    script->reset();
    EXPECT_TRUE(script->verifyAllAnswersUsed());
}

// Answers a test scripts and never uses point at a path the test never took.
TEST_F(ModalScriptTest, ATestThatLeavesScriptedAnswersUnusedFails) {
    script->pressAlertButton(0);
    EXPECT_NONFATAL_FAILURE(TearDown(), "scripted modal answers were never used");
    SetUp();  // the fixture tears down once more after the test
}

// A presenter installed by one test (a desktop one, a recording one) must not
// answer the next test's modals.
TEST_F(ModalScriptTest, AnInstalledPresenterIsForgottenBetweenTests) {
    struct Silent : ModalScript {};
    auto installed = std::make_shared<Silent>();
    ModalPresenter::setCurrent(installed);
    EXPECT_EQ(ModalPresenter::current(), installed);
    singleinstance::resetAll();
    EXPECT_EQ(ModalPresenter::current(), ModalScript::shared());
}

TEST_F(ModalScriptTest, AlertAsSheetCompletesLaterOnTheMainQueue) {
    script->pressAlertButton(1);
    auto alert = confirmation();
    std::optional<ModalResponse> got;
    alert->beginSheetModal(nullptr, [&](ModalResponse r) { got = r; });
    EXPECT_FALSE(got);
    EXPECT_TRUE(alert->isVisible());
    drain();
    EXPECT_EQ(got, 1001);
    EXPECT_FALSE(alert->isVisible());
}

// --- panels

class RefusingDelegate : public OpenSavePanelDelegate {
public:
    std::vector<std::string> asked;
    std::string refuse;  // the last path component refused by validation
    std::string disable;
    bool panelShouldEnableURL(SavePanel&, const URL& url) override { return url.lastPathComponent() != disable; }
    bool panelValidateURL(SavePanel&, const URL& url, std::string& error) override {
        asked.push_back(url.lastPathComponent());
        if (url.lastPathComponent() != refuse) return true;
        error = "Please allow the originally requested location";
        return false;
    }
};

class PanelTest : public ModalScriptTest {
protected:
    void SetUp() override {
        ModalScriptTest::SetUp();
        std::filesystem::create_directories(root() / "folder");
        for (const char* name : {"a.txt", "b.txt"}) std::ofstream(root() / name) << "x";
    }
    URL file(const std::string& name) const { return URL::fileURL((root() / name).string()); }
};

TEST_F(PanelTest, OpenPanelChecksAScriptedChoiceLikeAPersonsChoice) {
    auto panel = OpenPanel::make();
    panel->setCanChooseFiles(true);
    panel->setCanChooseDirectories(false);

    struct Case {
        std::vector<std::string> names;
        const char* failure;
    };
    const std::vector<Case> cases = {
        {{"folder"}, "is a folder and the panel cannot choose folders"},
        {{"a.txt", "b.txt"}, "allows only one choice"},
    };
    for (const auto& c : cases) {
        std::vector<URL> urls;
        for (const auto& n : c.names) urls.push_back(file(n));
        script->chooseInOpenPanel(urls);
        ModalResponse response = modalresponse::ok;
        EXPECT_NONFATAL_FAILURE(response = panel->runModal(), c.failure);
        EXPECT_EQ(response, modalresponse::cancel);
        EXPECT_TRUE(panel->URLs().empty());
    }

    panel->setCanChooseDirectories(true);
    panel->setAllowsMultipleSelection(true);
    script->chooseInOpenPanel({file("folder"), file("b.txt")});
    EXPECT_EQ(panel->runModal(), modalresponse::ok);
    EXPECT_EQ(panel->URLs(), (std::vector<URL>{file("folder"), file("b.txt")}));
    EXPECT_EQ(panel->url(), file("folder"));
}

TEST_F(PanelTest, DelegateRefusalKeepsThePanelOpenForTheNextAnswer) {
    auto delegate = std::make_shared<RefusingDelegate>();
    delegate->refuse = "a.txt";
    auto panel = OpenPanel::make();
    panel->setDelegate(delegate);
    script->chooseInOpenPanel({file("a.txt")});
    script->chooseInOpenPanel({file("b.txt")});
    EXPECT_EQ(panel->runModal(), modalresponse::ok);
    EXPECT_EQ(panel->URLs(), std::vector<URL>{file("b.txt")});
    EXPECT_EQ(delegate->asked, (std::vector<std::string>{"a.txt", "b.txt"}));

    // Refused with no answer left: the unscripted panel fails and cancels.
    script->chooseInOpenPanel({file("a.txt")});
    ModalResponse response = modalresponse::ok;
    EXPECT_NONFATAL_FAILURE(response = panel->runModal(), "unscripted open panel");
    EXPECT_EQ(response, modalresponse::cancel);

    // A URL the delegate disables cannot be picked at all.
    delegate->disable = "b.txt";
    script->chooseInOpenPanel({file("b.txt")});
    EXPECT_NONFATAL_FAILURE(panel->runModal(), "disabled by the delegate");

    // Unless typed in: then validation refuses it and the panel stays open.
    delegate->refuse = "b.txt";
    script->chooseInOpenPanel({file("b.txt")});
    script->chooseInOpenPanel({file("a.txt")});
    EXPECT_EQ(panel->runModal(), modalresponse::ok);
    EXPECT_EQ(panel->URLs(), std::vector<URL>{file("a.txt")});
}

TEST_F(PanelTest, SavePanelAddsTheAllowedExtensionAndCancelLeavesNoURL) {
    auto panel = SavePanel::make();
    panel->setAllowedFileTypes({"frelt"});
    panel->setNameFieldStringValue("Export");
    script->chooseInSavePanel(file("Export"));
    EXPECT_EQ(panel->runModal(), modalresponse::ok);
    EXPECT_EQ(panel->url(), file("Export.frelt"));
    EXPECT_EQ(panel->nameFieldStringValue(), "Export.frelt");

    script->cancelSavePanel();
    EXPECT_EQ(panel->runModal(), modalresponse::cancel);
    EXPECT_TRUE(panel->url().isEmpty());
}

TEST_F(PanelTest, SheetCompletionRunsAfterBeginSheetReturned) {
    auto panel = OpenPanel::make();
    script->chooseInOpenPanel({file("a.txt")});
    std::vector<std::string> order;
    panel->beginSheetModal(nullptr, [&](ModalResponse r) {
        order.push_back("completion " + std::to_string(r) + " " + panel->url().lastPathComponent());
    });
    order.push_back("returned");
    drain();
    EXPECT_EQ(order, (std::vector<std::string>{"returned", "completion 1 a.txt"}));
}

}  // namespace
