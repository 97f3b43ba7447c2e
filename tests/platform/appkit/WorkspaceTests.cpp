#include <gtest/gtest.h>

#include "platform/appkit/Application.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "platform/appkit/StatusItem.h"
#include "platform/appkit/Window.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace platform;

namespace {

class WorkspaceTest : public FreltTest {
protected:
    std::shared_ptr<RecordingWorkspace> workspace = RecordingWorkspace::make();
    URL file(const std::string& path) { return URL::fileURL(path); }
};

TEST_F(WorkspaceTest, TheDoubleRecordsEveryCallAndAnswersAsConfigured) {
    const URL app = file("/usr/share/applications/editor.desktop");
    workspace->defaultApplicationsByExtension["txt"] = app;
    workspace->openError = "No application knows this file";

    std::vector<std::string> completions;
    auto completion = [&](std::shared_ptr<RunningApplication>, std::optional<std::string> error) {
        completions.push_back(error.value_or("ok"));
    };
    WorkspaceOpenConfiguration config;
    EXPECT_TRUE(workspace->openURL(file("/a.txt")));
    workspace->openURL(*URL::fromString("https://example.org/help"), config, completion);
    workspace->openURLs({file("/a.txt"), file("/b.txt")}, app, config, completion);
    EXPECT_EQ(workspace->URLForApplicationToOpenURL(file("/notes.txt")), app);
    EXPECT_EQ(workspace->URLForApplicationToOpenURL(file("/notes.bin")), std::nullopt);
    workspace->selectFile("", "/home/user");
    EXPECT_EQ(workspace->iconForFile("/a.txt"), nullptr);

    EXPECT_EQ(workspace->callDescriptions(),
              (std::vector<std::string>{
                  "openURL file:///a.txt",
                  "openURL https://example.org/help with configuration",
                  "openURLs [file:///a.txt, file:///b.txt] with file:///usr/share/applications/editor.desktop",
                  "URLForApplicationToOpenURL file:///notes.txt",
                  "URLForApplicationToOpenURL file:///notes.bin",
                  "selectFile  in /home/user",
                  "iconForFile /a.txt",
              }));
    EXPECT_EQ(workspace->calls()[1].configuration, config);
    EXPECT_TRUE(completions.empty()) << "completions arrive later, on the main queue";
    drain();
    EXPECT_EQ(completions, (std::vector<std::string>{"No application knows this file", "No application knows this file"}));
}

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

TEST_F(WorkspaceTest, SharedInstanceIsADoubleUntilOneIsSet) {
    auto byDefault = std::dynamic_pointer_cast<RecordingWorkspace>(Workspace::shared());
    ASSERT_TRUE(byDefault);
    EXPECT_EQ(Workspace::shared(), byDefault);
    Workspace::setShared(workspace);
    EXPECT_EQ(Workspace::shared(), workspace);
    Workspace::setShared(nullptr);
    EXPECT_EQ(Workspace::shared(), byDefault);
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
