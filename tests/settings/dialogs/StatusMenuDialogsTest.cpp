// The status menu's items open the dialogs.

#include <gtest/gtest.h>

#include "DialogTestSupport.h"
#include "app/FreltManager.h"
#include "app/MenuManager.h"
#include "platform/appkit/Menu.h"
#include "platform/appkit/Screen.h"
#include "platform/appkit/Window.h"

using namespace frelt;
using dialogtest::DialogTest;

namespace {

using StatusMenuDialogsTest = DialogTest;

TEST_F(StatusMenuDialogsTest, EachItemShowsItsDialog) {
    addFile("plan.txt", {"Work"});
    rebuildStore();
    const auto menu = MenuManager::shared();
    const std::pair<std::shared_ptr<platform::MenuItem>, FreltWindowEnum> items[] = {
        {menu->contextMenuShowInfoMenuItem, FreltWindowEnum::info},
        {menu->contextMenuShowHotkeyOverviewMenuItem, FreltWindowEnum::hotkeyOverview},
        {menu->contextMenuShowVersionHistoryMenuItem, FreltWindowEnum::versionHistory},
        {menu->contextMenuShowVersionedBackupMenuItem, FreltWindowEnum::versionedBackup},
        {menu->contextMenuShowTagsMenuItem, FreltWindowEnum::tags},
    };
    for (const auto& [item, kind] : items) {
        ASSERT_TRUE(app()->sendAction(item->action(), item->target(), item)) << rawValue(kind);
        const auto controller = FreltWindow::registeredWindowController(kind);
        ASSERT_TRUE(controller) << rawValue(kind);
        const auto window = controller->window();
        EXPECT_TRUE(window && window->isVisible()) << rawValue(kind);
        EXPECT_TRUE(window && window->contentViewController()) << rawValue(kind);
        if (window) window->close();
    }
}

}  // namespace

namespace {

// The window list and the task switcher tell windows apart by their
// titles: each kind has its own, and a dialog opens where it is seen, on
// the screen that holds the pointer.
TEST_F(StatusMenuDialogsTest, EveryWindowHasItsOwnTitleAndOpensWhollyOnThePointersScreen) {
    platform::Screen::setScreens({{platform::Rect(0, 0, 1280, 800), platform::Rect(0, 30, 1280, 770), "left", 1},
                                  {platform::Rect(1280, 0, 1920, 1080), platform::Rect(1280, 0, 1920, 1080), "right", 1}});
    platform::Event::setMouseLocation({1500, 500});
    std::map<std::string, std::string> titles;
    for (const auto kind : {FreltWindowEnum::config, FreltWindowEnum::settings, FreltWindowEnum::info,
                            FreltWindowEnum::tags, FreltWindowEnum::versionHistory, FreltWindowEnum::versionedBackup,
                            FreltWindowEnum::hotkeyOverview}) {
        SCOPED_TRACE(rawValue(kind));
        const auto window = FreltWindow::showWindow(false, kind);
        ASSERT_TRUE(window);
        const std::string title = window->nativeProperties().title;
        EXPECT_FALSE(title.empty());
        for (const auto& [other, otherTitle] : titles) EXPECT_NE(title, otherTitle) << "the same as " << other;
        titles[rawValue(kind)] = title;
        const platform::Rect visible(1280, 0, 1920, 1080);
        EXPECT_TRUE(visible.contains(window->frame().origin) &&
                    visible.contains({window->frame().maxX() - 1, window->frame().maxY() - 1}))
            << "frame " << window->frame().minX() << " " << window->frame().minY();
        window->close();
        drain();
    }
}

}  // namespace
