// One request's road, as a person walks it: the hotkey brings the window,
// typing filters, Command shows the digits, Return opens the entry, and the
// next showing starts afresh with the sidebar as it was left.

#include <gtest/gtest.h>

#include "MainWindowTestSupport.h"
#include "support/SidebarSupport.h"
#include "hotkeys/HotKeyCenter.h"
#include "hotkeys/HotKeyManager.h"
#include "hotkeys/Key.h"
#include "hotkeys/KeyCombo.h"
#include "platform/carbon/HotKeyService.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

class AcceptanceTest : public MainWindowTest {};

TEST_F(AcceptanceTest, HotkeyTypeSaCommandReturnOpenedClosedAndAFreshNextShowing) {
    auto service = std::make_shared<platform::HeadlessHotKeyService>();
    platform::HotKeyService::setShared(service);
    setEntries({link("Safari"), link("Sandbox"), link("Slack"), link("Terminal")});
    const auto combo = KeyCombo::make(Key::space, platform::modifierflags::option);
    config()->globalKeyCombo = combo;
    HotKeyManager::shared()->registerHotKeys(HotKeyType::globalHotKey);
    const auto manager = FreltManager::shared();
    auto pressHotkey = [&] {
        ASSERT_TRUE(service->press(QWERTYKeyCode(combo->key()), std::uint32_t(combo->modifiers())));
        drain();
    };
    mainwindowsupport::registerShell();

    // 1. The hotkey shows the window, the search field takes the keys.
    pressHotkey();
    ASSERT_TRUE(mainWindowIsVisible(manager->mainWindowState()));
    EXPECT_EQ(manager->mainWindowState(), MainWindowState::popover) << "the default presentation";
    window = controller()->view()->window();
    ASSERT_TRUE(window && window->isKeyWindow());
    EXPECT_EQ(currentFirstResponderKind(), FirstResponderKind::searchField);
    // The tag Work, which every entry carries, is chosen in the sidebar.
    for (const auto& entry : *store()->allData()->snapshot()) entry->setTags({"Work"});
    sidebarsupport::addVisibleTags({"Work"});
    auto outline = controller()->sectionView.lock();
    outline->updateContent(true);
    ASSERT_TRUE(outline->selectItemWithTagName("Work"));
    EXPECT_EQ(shownNames().size(), 4u);

    // 2. "sa" is typed: the list is filtered, row 0 selected, the match underlined.
    kit::typeText("sa");
    EXPECT_EQ(shownNames(), (Strings{"Safari", "Sandbox"}));
    EXPECT_EQ(table()->selectedRow(), 0);
    const auto name = cell(0)->displayname.lock()->attributedText();
    ASSERT_TRUE(name);
    bool underlinedSa = false;
    for (const auto& run : name->runs())
        if (run.attributes.underlineStyle && name->string().substr(run.range.location, run.range.length) == "Sa")
            underlinedSa = true;
    EXPECT_TRUE(underlinedSa);

    // 3. Command held: the rows show their digits; the row Return opens its glyph.
    kit::changeFlags(platform::modifierflags::command);
    EXPECT_EQ(cell(0)->hotkey.lock()->title(), TableViewCellMainWindow::returnKeyGlyph);
    EXPECT_EQ(cell(1)->hotkey.lock()->title(), "2");
    kit::changeFlags(0);

    // 4. Return: the opener gets the entry and the window goes.
    kit::pressKey(platform::keycode::returnKey);
    drain();
    ASSERT_EQ(workspace->calls().size(), 1u);
    EXPECT_EQ(workspace->calls()[0].urls.at(0).absoluteString(), "https://safari.example/");
    EXPECT_FALSE(mainWindowIsVisible(manager->mainWindowState()));

    // 5. The next showing: an empty field, the whole list, the sidebar as left.
    pressHotkey();
    ASSERT_TRUE(mainWindowIsVisible(manager->mainWindowState()));
    EXPECT_EQ(searchText(), "");
    EXPECT_EQ(shownNames().size(), 4u);
    EXPECT_EQ(table()->numberOfRows(), 4);
    EXPECT_EQ(outline->selectedTagName(), "Work");
    EXPECT_EQ(currentFirstResponderKind(), FirstResponderKind::searchField);
}

}  // namespace
