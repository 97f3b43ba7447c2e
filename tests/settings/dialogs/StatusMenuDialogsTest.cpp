// The status menu's items open the dialogs.

#include <gtest/gtest.h>

#include "DialogTestSupport.h"
#include "app/FreltManager.h"
#include "app/MenuManager.h"
#include "platform/appkit/Menu.h"
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
