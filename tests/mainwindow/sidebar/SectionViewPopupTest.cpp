// The popup a right click on a sidebar tag opens.

#include "mainwindow/sidebar/SectionViewPopup.h"

#include <gtest/gtest.h>

#include "SidebarTestSupport.h"
#include "drawing/controls/IconChooser.h"
#include "hotkeys/HotKeyCenter.h"
#include "hotkeys/HotKeyManager.h"
#include "mainwindow/sidebar/SectionViewCell.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/ModalScript.h"
#include "platform/appkit/Popover.h"
#include "platform/appkit/TextField.h"
#include "platform/carbon/HotKeyService.h"

using namespace frelt;
using sidebartest::SidebarTest;
using sidebartest::Strings;

namespace {

class SectionViewPopupTest : public SidebarTest {
protected:
    void SetUp() override {
        SidebarTest::SetUp();
        platform::HotKeyService::setShared(std::make_shared<platform::HeadlessHotKeyService>());
        addFile("plan.txt", {"Work|Mail"});
        addFile("list.txt", {"Home"});
        rebuildStore();
        sidebar->updateContent(true);
        mail = TagManager::shared()->tagWithName("Work|Mail");
    }
    std::shared_ptr<platform::Popover> popover() const { return sidebar->popupMenu->sectionViewPopover; }
    std::shared_ptr<SectionViewPopupViewController> content() const {
        return sidebar->popupMenu->sectionViewPopupViewController();
    }
    void rightClick(const std::string& name, platform::ModifierFlags flags = 0) {
        const long row = name.empty() ? sidebar->numberOfRows() : rowNamed(name);
        const platform::Rect r = sidebar->rectOfRow(std::max(0L, row));
        platform::Point p{r.midX(), name.empty() ? r.maxY() + 40 : r.midY()};
        if (name.empty()) p.y = sidebar->rectOfRow(sidebar->numberOfRows() - 1).maxY() + 40;
        if (flags) kit::click(window, sidebar->convertPointToWindow(p), flags);
        else kit::rightClick(window, sidebar->convertPointToWindow(p));
    }
    void openFor(const std::string& name) {
        rightClick(name);
        ASSERT_TRUE(popover()->isShown());
    }
    void send(const char* action) { platform::Application::shared()->sendAction(action, content(), nullptr); }
    std::shared_ptr<platform::View> iconRow() const { return content()->stackView.lock()->arrangedSubviews()[2]; }

    iconTag::Ptr mail;
};

TEST_F(SectionViewPopupTest, AContextClickOpensThePopupOnlyForATag) {
    for (const char* name : {"Work", "Files", "Tags", ""}) {
        SCOPED_TRACE(name);
        rightClick(name);
        EXPECT_FALSE(popover()->isShown());
        EXPECT_EQ(selectedName(), "Applications");
    }
    EXPECT_FALSE(logs().contains("Show context-menu for"));

    rightClick("Mail");
    EXPECT_EQ(selectedName(), "Mail");
    ASSERT_TRUE(popover()->isShown());
    EXPECT_EQ(popover()->positioningView(), sidebar->viewAtColumn(0, rowNamed("Mail"), false));
    EXPECT_EQ(popover()->preferredEdge(), platform::RectEdge::minX);
    EXPECT_EQ(popover()->behavior(), platform::PopoverBehavior::transient);
    EXPECT_EQ(content()->currentSourcelistItem, selectedItem());
    EXPECT_EQ(content()->index, rowNamed("Mail"));
    EXPECT_EQ(content()->lblTagName.lock()->stringValue(), "Mail");
    EXPECT_TRUE(logs().contains("Show context-menu for: " + std::to_string(rowNamed("Mail"))));
    EXPECT_EQ(window->firstResponder(), sidebar);

    // A change of selection closes it; a Control click opens it as well.
    clickRow(rowNamed("Files"));
    EXPECT_FALSE(popover()->isShown());
    rightClick("Home", platform::modifierflags::control);
    EXPECT_TRUE(popover()->isShown());
    EXPECT_EQ(selectedName(), "Home");
}

TEST_F(SectionViewPopupTest, HotkeysArePausedWhileThePopupIsShown) {
    openFor("Mail");
    EXPECT_TRUE(HotKeyManager::shared()->hotkeysPaused());
    popover()->close();
    EXPECT_FALSE(HotKeyManager::shared()->hotkeysPaused());
    openFor("Mail");
    popover()->clickedOutside();
    EXPECT_FALSE(popover()->isShown());
    EXPECT_FALSE(HotKeyManager::shared()->hotkeysPaused());
}

TEST_F(SectionViewPopupTest, TheIconRowOpensAndClosesWithTheChangeIconButton) {
    openFor("Mail");
    const double row = iconRow()->frame().height();
    EXPECT_TRUE(iconRow()->isHidden());
    EXPECT_EQ(popover()->contentSize().height, 487.0 - row);
    send("btnChangeIconClick:");
    EXPECT_FALSE(iconRow()->isHidden());
    EXPECT_EQ(popover()->contentSize().height, 487.0);
    send("btnChangeIconClick:");
    EXPECT_TRUE(iconRow()->isHidden());
    EXPECT_EQ(popover()->contentSize().height, 487.0 - row);
    EXPECT_FALSE(popover()->animates());
}

TEST_F(SectionViewPopupTest, ColoursAndIconsGoToTheTagAndTheSidebarRow) {
    openFor("Mail");
    const auto red = TagAppearancePopupViewController::presetColors()[0];
    auto circle = content()->colorCircles[0].lock();
    ASSERT_TRUE(circle);
    EXPECT_EQ(circle->color(), red);
    kit::clickView(circle);
    EXPECT_EQ(mail->color(), red);
    EXPECT_TRUE(content()->needsRedraw);
    const auto symbol = content()->imageTagSymbol.lock()->image();
    EXPECT_NE(symbol, platform::Image::imageNamed(TagManager::defaultTag)) << "the symbol shows in red";
    const auto grid = content()->iconChooseCollectionView.lock();
    const auto item = std::dynamic_pointer_cast<TagIconItem>(grid->itemAtIndexPath({0, 1}));
    ASSERT_TRUE(item);
    EXPECT_NE(item->tagImage.lock()->image(), platform::Image::imageNamed(*item->imageName())) << "icons in red";
    auto rowIcon = [&] {
        auto cell = std::dynamic_pointer_cast<SectionViewCellEntry>(sidebar->viewAtColumn(0, rowNamed("Mail"), false));
        return cell->imageViewCellIcon.lock()->image();
    };
    EXPECT_NE(rowIcon(), platform::Image::imageNamed(TagManager::defaultTag)) << "the row was redrawn";

    // An icon chosen while the tag has a colour keeps the colour.
    send("btnChangeIconClick:");
    grid->selectItemsAtIndexPaths({{0, 5}});
    content()->didSelectItemsAtIndexPaths(*grid, {{0, 5}});
    EXPECT_EQ(mail->tagSymbol(), TagManager::shared()->iconNames()[5]);
    EXPECT_EQ(mail->color(), red);

    send("btnClearColorClick:");
    EXPECT_EQ(mail->color(), std::nullopt);
    EXPECT_EQ(rowIcon(), platform::Image::imageNamed(mail->tagSymbol()));

    mail->setColor(red);
    send("btnDefaultIconClick:");
    EXPECT_EQ(mail->tagSymbol(), TagManager::defaultTag);
    EXPECT_EQ(mail->color(), std::nullopt) << "the default icon also takes the colour away";
}

TEST_F(SectionViewPopupTest, RecordersTakeOnlyFreeCombinationsAndWriteTheTagsHotkeys) {
    const auto used = KeyCombo::make(Key::u, modifierflags::command);
    const auto hotKey = HotKey::make("entry", used, HotKey::ActionQueue::main, nullptr);
    ASSERT_TRUE(HotKeyCenter::shared()->registerHotKey(hotKey));
    mail->setHotkeyLaunchAll(KeyCombo::make(Key::l, modifierflags::command));
    openFor("Mail");
    const auto show = content()->hotkey.lock();
    const auto launch = content()->hotkeyLaunchAll.lock();
    EXPECT_EQ(show->keyCombo(), nullptr);
    EXPECT_EQ(launch->keyCombo(), mail->hotkeyLaunchAll());
    EXPECT_EQ(show->delegate(), content());

    // Recording the combination in use is refused; a free one is taken.
    kit::clickView(show);
    ASSERT_TRUE(show->isRecording);
    kit::pressShortcut('u', modifierflags::command);
    EXPECT_EQ(mail->hotkey(), nullptr);
    EXPECT_TRUE(show->isRecording);
    kit::pressShortcut('k', modifierflags::command | modifierflags::shift);
    ASSERT_TRUE(mail->hotkey());
    EXPECT_EQ(*mail->hotkey(), *KeyCombo::make(Key::k, modifierflags::command | modifierflags::shift));

    // Clearing a recorder takes the hotkey away.
    content()->recordViewDidChangeKeyCombo(*launch, nullptr);
    EXPECT_EQ(mail->hotkeyLaunchAll(), nullptr);
}

TEST_F(SectionViewPopupTest, LaunchAllClosesThePopupBeforeAnyEntryOpens) {
    openFor("Mail");
    send("btnLaunchAllClick:");
    EXPECT_FALSE(popover()->isShown());
    EXPECT_FALSE(logs().contains("launchAllEntriesOfTag: Work|Mail"));
    EXPECT_TRUE(workspace->calls().empty());
    drain();
    EXPECT_TRUE(logs().contains("launchAllEntriesOfTag: Work|Mail"));
    EXPECT_FALSE(workspace->calls().empty()) << "plan.txt opened";
}

TEST_F(SectionViewPopupTest, DeletingAsksFirstAndClosesOnlyWhenDone) {
    openFor("Mail");
    platform::ModalScript::shared()->pressAlertButton(1);
    send("btnDeleteTagClick:");
    EXPECT_TRUE(popover()->isShown()) << "declined";
    EXPECT_TRUE(TagManager::shared()->tagWithName("Work|Mail"));

    platform::ModalScript::shared()->pressAlertButton(0);
    send("btnDeleteTagClick:");
    EXPECT_FALSE(popover()->isShown());
    EXPECT_TRUE(content()->needsRebuild);
    EXPECT_FALSE(TagManager::shared()->tagWithName("Work|Mail"));
    EXPECT_TRUE(logs().contains("-> RebuildData - Request initiated: Section-View Popup"));
}

TEST_F(SectionViewPopupTest, WithoutItsSceneThePopupNeverShows) {
    platform::SceneRegistry::shared()->setSceneFails(SectionViewPopupViewController::storyboardName,
                                                     SectionViewPopupViewController::sceneIdentifier, true);
    const auto bare = std::make_shared<SectionViewPopupManager>();
    bare->setupPopover();
    EXPECT_EQ(bare->sectionViewPopupViewController(), nullptr);
    bare->showSectionPopup(sidebar, sidebar->searchForSourceListItem("Home"), 0);
    EXPECT_FALSE(bare->sectionViewPopover->isShown());
}

}  // namespace
