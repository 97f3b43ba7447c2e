#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/appkit/Alert.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/ModalScript.h"
#include "platform/dispatch/Dispatch.h"
#include "store/ShowAlert.h"
#include "support/FreltTest.h"

using namespace frelt;

namespace {

struct SeenAlert {
    std::string message;
    std::string informative;
    platform::AlertStyle style = platform::AlertStyle::warning;
    std::vector<std::string> buttons;
    bool onMainThread = false;
};

class ShowAlertTest : public FreltTest {
protected:
    std::shared_ptr<platform::ModalScript> script = platform::ModalScript::shared();

    // Records the alert as the person sees it, then presses its only button.
    void recordNextAlert(SeenAlert& seen, std::function<void()> whileShown = nullptr) {
        script->answerAlert([&seen, whileShown](platform::Alert& alert) {
            seen.message = alert.messageText();
            seen.informative = alert.informativeText();
            seen.style = alert.alertStyle();
            for (const auto& button : alert.buttons()) seen.buttons.push_back(button->title());
            seen.onMainThread = platform::dispatch::isMainThread();
            if (whileShown) whileShown();
            return platform::AlertAnswer{platform::Alert::responseForButton(0), std::nullopt};
        });
    }
};

TEST_F(ShowAlertTest, OnTheMainThreadShowsAnInformationalAlertWithOneOKButtonAtOnce) {
    SeenAlert seen;
    recordNextAlert(seen);

    showAlert("Error loading KeyCombo from the settings file", "Error: Configuration");

    // Shown within the call, not later from the main queue.
    EXPECT_TRUE(script->verifyAllAnswersUsed());
    EXPECT_EQ(seen.message, "Error loading KeyCombo from the settings file");
    EXPECT_EQ(seen.informative, "Error: Configuration");
    EXPECT_EQ(seen.style, platform::AlertStyle::informational);
    EXPECT_EQ(seen.buttons, std::vector<std::string>{"OK"});
    EXPECT_TRUE(seen.onMainThread);
}

TEST_F(ShowAlertTest, EmptyTextsStillGiveTheOneButton) {
    SeenAlert seen;
    recordNextAlert(seen);
    showAlert("", "");
    EXPECT_EQ(seen.message, "");
    EXPECT_EQ(seen.informative, "");
    EXPECT_EQ(seen.buttons, std::vector<std::string>{"OK"});
}

TEST_F(ShowAlertTest, FromABackgroundThreadRunsOnTheMainThreadAndTheCallerWaitsForTheButton) {
    std::atomic<bool> returned{false};
    bool returnedWhileShown = true;
    SeenAlert seen;
    recordNextAlert(seen, [&] { returnedWhileShown = returned.load(); });

    std::thread caller([&] {
        showAlert("Error saving arrayOfAllTags to the settings file", "Error: Configuration");
        returned = true;
    });
    // The main thread keeps serving its queue, as the program's loop would,
    // until the caller is released.
    while (!returned.load()) {
        drain();
        std::this_thread::yield();
    }
    caller.join();

    EXPECT_TRUE(seen.onMainThread);
    EXPECT_FALSE(returnedWhileShown);
    EXPECT_EQ(seen.message, "Error saving arrayOfAllTags to the settings file");
    EXPECT_EQ(seen.informative, "Error: Configuration");
    EXPECT_EQ(script->presented(), std::vector<std::string>{"alert: Error saving arrayOfAllTags to the settings file"});
}

}  // namespace
