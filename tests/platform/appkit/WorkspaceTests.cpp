#include <gtest/gtest.h>

#include "platform/appkit/Application.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "platform/appkit/StatusItem.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/SingleInstance.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace platform;

namespace {

class WorkspaceTest : public FreltTest {
protected:
    std::shared_ptr<RecordingWorkspace> workspace = RecordingWorkspace::make();
};

TEST_F(WorkspaceTest, RunningApplicationsAreObservedWithAnInitialReport) {
    auto app = [](const char* path) {
        auto a = std::make_shared<RunningApplication>();
        a->bundleURL = URL::fileURL(path);
        return a;
    };
    auto editor = app("/apps/editor.desktop");
    auto browser = app("/apps/browser.desktop");
    workspace->applicationsDidLaunch({editor});

    std::vector<std::string> seen;
    auto observation = workspace->observeRunningApplications([&](const RunningApplicationsChange& c) {
        std::string line = c.initial ? "initial" : "change";
        for (const auto& a : c.added) line += " +" + a->bundleURL->lastPathComponent();
        for (const auto& a : c.removed) line += " -" + a->bundleURL->lastPathComponent();
        seen.push_back(line);
    });
    workspace->applicationsDidLaunch({browser, editor});  // editor already runs: not new
    workspace->applicationsDidTerminate({editor});
    workspace->applicationsDidTerminate({editor});  // gone already: no report
    observation.cancel();
    workspace->applicationsDidLaunch({editor});

    EXPECT_EQ(seen, (std::vector<std::string>{"initial +editor.desktop", "change +browser.desktop", "change -editor.desktop"}));
    EXPECT_EQ(workspace->runningApplications().size(), 2u);
}

TEST_F(WorkspaceTest, VolumeAndSleepNotificationsGoToTheWorkspaceCentre) {
    std::vector<std::string> seen;
    auto observe = [&](const std::string& name) {
        return workspace->notificationCenter().observe(name, nullptr, [&](const Notification& n) {
            auto it = n.userInfo.find(workspacenotification::devicePathKey);
            seen.push_back(n.name + " " + (it == n.userInfo.end() ? std::string("-") : it->second.description()));
        });
    };
    auto a = observe(workspacenotification::didMount);
    auto b = observe(workspacenotification::didUnmount);
    auto c = observe(workspacenotification::willSleep);
    int onDefaultCentre = 0;
    auto d = NotificationCenter::defaultCenter().observe("", nullptr, [&](const Notification&) { ++onDefaultCentre; });

    workspace->postDidMount("/media/usb");
    workspace->postDidUnmount("/media/usb");
    workspace->postWillSleep();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_NE(seen[0].find("NSWorkspaceDidMountNotification"), std::string::npos);
    EXPECT_NE(seen[0].find("/media/usb"), std::string::npos);
    EXPECT_EQ(onDefaultCentre, 0);
}

// A workspace one test installs must not serve the next; without one,
// nothing is ever launched for real.
TEST_F(WorkspaceTest, AnInstalledWorkspaceServesUntilTheResetBetweenTests) {
    Workspace::setShared(workspace);
    EXPECT_EQ(Workspace::shared(), workspace);
    singleinstance::resetAll();
    auto byDefault = Workspace::shared();
    EXPECT_NE(byDefault, workspace);
    EXPECT_NE(std::dynamic_pointer_cast<RecordingWorkspace>(byDefault), nullptr) << "the default launches nothing";
}

// --- status item

TEST_F(WorkspaceTest, StatusButtonSendsOnLeftDownAndRightUp) {
    auto item = StatusBar::systemStatusBar()->statusItemWithLength(statusitemlength::square);
    auto button = item->button();
    ASSERT_TRUE(button);
    ASSERT_TRUE(button->window());
    std::vector<std::string> seen;
    button->setActionHandler([&](const std::shared_ptr<Control>&) {
        seen.push_back(std::to_string(static_cast<int>(Application::shared()->currentEvent()->type)));
    });
    button->sendActionOn(eventmask::leftMouseDown | eventmask::rightMouseUp);
    EXPECT_EQ(button->sendActionOnMask(), 18u);
    auto window = button->window();
    window->orderFront();
    const Point p = kit::centerInWindow(*button);
    kit::click(window, p);
    kit::rightClick(window, p);
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "4"}));
    EXPECT_EQ(button->frame().size, (Size{22, 22}));

    StatusBar::systemStatusBar()->setAvailable(false);
    EXPECT_EQ(StatusBar::systemStatusBar()->statusItemWithLength(statusitemlength::square)->button(), nullptr);
}

}  // namespace
