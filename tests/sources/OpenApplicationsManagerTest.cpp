// The running applications as the program sees them: the set of paths,
// instances counted per path, and the launch and end notifications in order.

#include "sources/discovery/OpenApplicationsManager.h"

#include <gtest/gtest.h>

#include "SourcesTestSupport.h"
#include "store/StoreConstants.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

class OpenApplicationsManagerTest : public SourcesTest {
protected:
    void SetUp() override {
        SourcesTest::SetUp();
        for (const char* name : {Notifications::didLaunchApplication, Notifications::didTerminateApplication})
            observations_.push_back(platform::NotificationCenter::defaultCenter().observe(
                name, nullptr, [this](const platform::Notification& n) {
                    const auto* path = n.objectAs<std::string>();
                    posts.push_back(std::string(n.name == Notifications::didLaunchApplication ? "launch " : "end ") +
                                    (path ? *path : "?"));
                }));
    }
    static std::shared_ptr<platform::RunningApplication> app(
        std::optional<std::string> path,
        platform::ApplicationActivationPolicy policy = platform::ApplicationActivationPolicy::regular) {
        auto a = std::make_shared<platform::RunningApplication>();
        if (path) a->bundleURL = platform::URL::fileURL(*path);
        a->activationPolicy = policy;
        return a;
    }
    Strings posts;
    std::vector<platform::Subscription> observations_;
};

TEST_F(OpenApplicationsManagerTest, InstancesAreCountedSoOneEndingKeepsTheApplication) {
    const auto running = app("/apps/editor.desktop");
    workspace->applicationsDidLaunch({running});
    const auto manager = OpenApplicationsManager::shared();
    EXPECT_EQ(posts, Strings{"launch /apps/editor.desktop"}) << "those already running are announced once";
    EXPECT_TRUE(manager->containsApplication("/apps/editor.desktop"));

    const auto second = app("/apps/editor.desktop");
    workspace->applicationsDidLaunch({second});
    workspace->applicationsDidTerminate({running});
    EXPECT_TRUE(manager->containsApplication("/apps/editor.desktop")) << "the second instance still runs";
    workspace->applicationsDidTerminate({second});
    EXPECT_FALSE(manager->containsApplication("/apps/editor.desktop"));
    EXPECT_EQ(posts, (Strings{"launch /apps/editor.desktop", "launch /apps/editor.desktop", "end /apps/editor.desktop",
                              "end /apps/editor.desktop"}));
}

TEST_F(OpenApplicationsManagerTest, OnlyOrdinaryApplicationsWithAnEntryAreFollowed) {
    const auto manager = OpenApplicationsManager::shared();
    workspace->applicationsDidLaunch({app("/apps/agent.desktop", platform::ApplicationActivationPolicy::accessory),
                                      app(std::nullopt), app("/apps/viewer.desktop")});
    EXPECT_EQ(manager->openApplications(), std::set<std::string>{"/apps/viewer.desktop"});
    EXPECT_EQ(posts, Strings{"launch /apps/viewer.desktop"});
    EXPECT_FALSE(manager->containsApplication("/apps/Viewer.desktop")) << "paths compare exactly";
}

}  // namespace
