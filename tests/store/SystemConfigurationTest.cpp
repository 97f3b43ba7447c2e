#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/Event.h"
#include "platform/appkit/Screen.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "store/StoreConstants.h"
#include "store/SystemConfiguration.h"
#include "support/FreltTest.h"

using namespace frelt;
using platform::Value;

namespace {

class SystemConfigurationTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        for (const auto& s : platform::Screen::screens())
            savedScreens_.push_back({s->frame(), s->visibleFrame(), s->localizedName(), s->backingScaleFactor()});
        savedMouse_ = platform::Event::mouseLocation();
    }
    void TearDown() override {
        platform::Screen::setScreens(savedScreens_);
        platform::Event::setMouseLocation(savedMouse_);
        FreltTest::TearDown();
    }

    // The system's setting lives in the global domain.
    static void setSystemSize(std::optional<Value> value) {
        platform::ValueDictionary domain;
        if (value) domain[DefaultsKeys::tableViewDefaultSizeMode] = *value;
        platform::UserDefaults::standard()->setPersistentDomain(domain, platform::UserDefaults::globalDomain);
    }

private:
    std::vector<platform::ScreenDescription> savedScreens_;
    platform::Point savedMouse_;
};

TEST_F(SystemConfigurationTest, FreshObjectHasConstructorValues) {
    auto config = SystemConfiguration::shared();
    EXPECT_EQ(config->sidebarSize(), SidebarSize::medium);
    EXPECT_EQ(config->sidebarIconSize(), 20.0);
    EXPECT_EQ(config->sidebarRowHeight(), 28.0);
    EXPECT_EQ(config->sidebarRowHeightHeader(), 25.0);
    EXPECT_EQ(config->sidebarTextSize(), 13.0);
    EXPECT_EQ(config->sidebarVerticalSpacing(), 0);
}

TEST_F(SystemConfigurationTest, StoredValueSelectsSizeAndMeasures) {
    struct Case {
        std::optional<Value> stored;
        SidebarSize size;
        double icon, row, text;
    };
    const std::vector<Case> cases = {
        {Value(1), SidebarSize::small, 16, 24, 11},
        {Value(2), SidebarSize::medium, 18, 28, 13},
        {Value(3), SidebarSize::large, 20, 32, 15},
        {Value(0), SidebarSize::medium, 18, 28, 13},
        {Value(4), SidebarSize::medium, 18, 28, 13},
        {Value(-1), SidebarSize::medium, 18, 28, 13},
        {Value(std::string("3")), SidebarSize::medium, 18, 28, 13},
        {Value(2.5), SidebarSize::medium, 18, 28, 13},
        {std::nullopt, SidebarSize::medium, 18, 28, 13},
    };
    auto config = SystemConfiguration::shared();
    for (const Case& c : cases) {
        setSystemSize(c.stored);
        const std::string label = c.stored ? c.stored->description() : "absent";
        EXPECT_EQ(config->currentSidebarSize(), c.size) << label;
        config->updateSidebarSize();
        EXPECT_EQ(config->sidebarSize(), c.size) << label;
        EXPECT_EQ(config->sidebarIconSize(), c.icon) << label;
        EXPECT_EQ(config->sidebarRowHeight(), c.row) << label;
        EXPECT_EQ(config->sidebarTextSize(), c.text) << label;
        EXPECT_EQ(config->sidebarRowHeightHeader(), 25.0) << label;
        EXPECT_EQ(config->sidebarVerticalSpacing(), 0) << label;
    }
}

TEST_F(SystemConfigurationTest, ChangeOfTheSystemSettingPostsOnce) {
    auto config = SystemConfiguration::shared();
    int posts = 0;
    auto observation = platform::NotificationCenter::defaultCenter().observe(
        Notifications::systemSidebarSizeChanged, nullptr, [&](const platform::Notification&) { ++posts; });

    config->updateSidebarSize();
    EXPECT_EQ(posts, 0);

    setSystemSize(Value(3));
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(config->sidebarSize(), SidebarSize::large);
    EXPECT_EQ(config->sidebarIconSize(), 20.0);
    EXPECT_EQ(config->sidebarRowHeight(), 32.0);
    EXPECT_EQ(config->sidebarTextSize(), 15.0);

    // Other keys, and rewriting the same value, say nothing.
    platform::UserDefaults::standard()->set("someOtherKey", Value(1));
    setSystemSize(Value(3));
    EXPECT_EQ(posts, 1);

    setSystemSize(std::nullopt);
    EXPECT_EQ(posts, 2);
    EXPECT_EQ(config->sidebarSize(), SidebarSize::medium);
    EXPECT_EQ(config->sidebarRowHeight(), 28.0);
}

TEST_F(SystemConfigurationTest, ScreenUnderMouse) {
    platform::Screen::setScreens({
        {platform::Rect(0, 0, 1920, 1080), platform::Rect(0, 25, 1920, 1055), "Left", 1},
        {platform::Rect(1920, 0, 1280, 1024), platform::Rect(1920, 0, 1280, 1024), "Right", 2},
    });
    auto config = SystemConfiguration::shared();

    platform::Event::setMouseLocation({2000, 500});
    ASSERT_NE(config->screenUnderMouse(), nullptr);
    EXPECT_EQ(config->screenUnderMouse()->localizedName(), "Right");

    platform::Event::setMouseLocation({10, 10});
    ASSERT_NE(config->screenUnderMouse(), nullptr);
    EXPECT_EQ(config->screenUnderMouse()->localizedName(), "Left");

    platform::Event::setMouseLocation({2000, 1050});  // below the right screen
    EXPECT_EQ(config->screenUnderMouse(), nullptr);

    platform::Screen::setScreens({});
    EXPECT_EQ(config->screenUnderMouse(), nullptr);
}

}  // namespace
