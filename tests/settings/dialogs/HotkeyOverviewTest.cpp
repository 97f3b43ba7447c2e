// The hotkey overview: which hotkeys it lists, in which cards and order, and
// the dialog that shows them.

#include "settings/dialogs/HotkeyOverview.h"

#include <gtest/gtest.h>

#include "DialogTestSupport.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/Window.h"

using namespace frelt;
using dialogtest::DialogTest;
using dialogtest::Strings;
namespace mf = platform::modifierflags;
using Row = HotkeyOverviewHotkeyRow;
using Rows = std::vector<HotkeyOverviewHotkeyRow>;

namespace {

KeyCombo::Ptr combo(Key key, platform::ModifierFlags flags = mf::command | mf::option) {
    return KeyCombo::make(key, flags);
}
std::string text(Key key, platform::ModifierFlags flags = mf::command | mf::option) {
    return combo(key, flags)->displayString();
}

class HotkeyOverviewTest : public DialogTest {
protected:
    static Strings headers(const std::vector<HotkeyOverviewCard>& cards) {
        Strings out;
        for (const auto& card : cards) out.push_back(card.header ? card.header->title : "<none>");
        return out;
    }
};

TEST_F(HotkeyOverviewTest, WithoutHotkeysFourCardsShowTheirHeadersOnly) {
    const auto cards = HotkeyOverviewContentView::cards();
    EXPECT_EQ(headers(cards), (Strings{"Hotkeys for categories", "Hotkeys for entries", "Hotkeys to show a tag",
                                       "Hotkeys to launch all entries of a tag"}));
    for (const auto& card : cards) EXPECT_TRUE(card.rows.empty()) << card.header->title;
}

TEST_F(HotkeyOverviewTest, TheGlobalHotkeyComesFirstWithoutAHeader) {
    config()->globalKeyCombo = combo(Key::space);
    const auto cards = HotkeyOverviewContentView::cards();
    ASSERT_EQ(cards.size(), 5u);
    EXPECT_FALSE(cards[0].header);
    EXPECT_EQ(cards[0].rows, (Rows{{text(Key::space), "Hotkey to show the main window"}}));
    EXPECT_TRUE(HotkeyOverviewGlobalHotkey{""}.rows().empty());
}

TEST_F(HotkeyOverviewTest, CategoriesAreOnePerCombinationTheLaterWinningAndSortedDescending) {
    config()->globalKeyComboCategoriesShowFavorites = combo(Key::f);
    config()->globalKeyComboCategoriesShowFiles = combo(Key::f);  // Files comes after Favorites
    config()->globalKeyComboCategoriesShowActiveApplications = combo(Key::one);
    config()->globalKeyComboCategoriesShowRecentApplications = combo(Key::two);
    config()->globalKeyComboCategoriesShowURLs = combo(Key::three);
    const auto rows = HotkeyOverviewContentView::categories(*config()).rows();
    EXPECT_EQ(rows, (Rows{{text(Key::f), "Files"},
                          {text(Key::three), "URLs"},
                          {text(Key::two), "Recent Applications"},
                          {text(Key::one), "Active Applications"}}));
}

TEST_F(HotkeyOverviewTest, EntriesAndVisibleTagsAreListedByNameWithTheirHotkeys) {
    const auto hidden = addFile("zeta.txt", {"Work"});
    hidden->setHotkey(combo(Key::z));
    hidden->setIsVisible(false);
    addFile("alpha.txt")->setHotkey(combo(Key::a));
    addFile("Beta.txt")->setHotkey(combo(Key::b));
    addFile("none.txt", {"Home"});
    rebuildStore();
    drain();
    const auto home = TagManager::shared()->tagWithName("Home");
    ASSERT_TRUE(home);
    home->setHotkey(combo(Key::h));
    home->setHotkeyLaunchAll(combo(Key::l));
    // A registered tag that no entry uses is not visible.
    auto spare = iconTag::initWithNewName("Spare", TagManager::defaultTag);
    spare->setHotkey(combo(Key::s));
    spare->setHotkeyLaunchAll(combo(Key::x));
    TagManager::shared()->allAvailableTags()->append(spare);
    drain();

    const auto cards = HotkeyOverviewContentView::cards();
    ASSERT_EQ(cards.size(), 4u);
    // Plain comparison: upper case before lower case; hidden entries too.
    EXPECT_EQ(cards[1].rows, (Rows{{text(Key::b), "Beta.txt"}, {text(Key::a), "alpha.txt"}, {text(Key::z), "zeta.txt"}}));
    EXPECT_EQ(cards[2].rows, (Rows{{text(Key::h), "Home"}}));
    EXPECT_EQ(cards[3].rows, (Rows{{text(Key::l), "Home"}}));
}

TEST_F(HotkeyOverviewTest, EqualNamesKeepTheirOrderAndADoubleTapReadsAsSuch) {
    auto first = iconTag::initWithNewName("Same", TagManager::defaultTag);
    first->setHotkey(combo(Key::one));
    auto second = iconTag::initWithNewName("Same", TagManager::defaultTag);
    second->setHotkey(KeyCombo::makeDoubled(mf::option));
    auto unset = iconTag::initWithNewName("A", TagManager::defaultTag);
    const auto rows = HotkeyOverviewTagItems{{first, unset, second}}.rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].hotkey, text(Key::one));
    EXPECT_NE(rows[1].hotkey.find("double "), std::string::npos) << rows[1].hotkey;
    EXPECT_TRUE((HotkeyOverviewTagItemsLaunchAll{{first, second}}.rows().empty()));
}

TEST_F(HotkeyOverviewTest, TheDialogShowsTheCardsInAStyledWindow) {
    config()->globalKeyCombo = combo(Key::space);
    const auto window = FreltWindow::showWindow(false, FreltWindowEnum::hotkeyOverview);
    ASSERT_TRUE(window);
    const auto controller = window->contentViewController();
    ASSERT_TRUE(std::dynamic_pointer_cast<ConfigViewControllerHotkeyOverview>(controller));
    EXPECT_EQ(window->titleVisibility(), platform::TitleVisibility::hidden);
    EXPECT_TRUE(window->styleMask() & platform::stylemask::fullSizeContentView);
    EXPECT_TRUE(window->titlebarAppearsTransparent());
    EXPECT_TRUE(window->isMovableByWindowBackground());
    EXPECT_EQ(controller->preferredContentSize(), (platform::Size{600, 700}));

    std::shared_ptr<HostedHotkeyOverviewContentView> hosted;
    Strings texts;
    controller->view()->forEachInTree([&](platform::View& view) {
        if (auto* h = dynamic_cast<HostedHotkeyOverviewContentView*>(&view))
            hosted = std::static_pointer_cast<HostedHotkeyOverviewContentView>(h->shared_from_this());
        if (auto* field = dynamic_cast<platform::TextField*>(&view)) texts.push_back(field->stringValue());
    });
    ASSERT_TRUE(hosted);
    ASSERT_EQ(hosted->subviews().size(), 1u);
    EXPECT_EQ(hosted->subviews().front()->frame(), hosted->bounds()) << "the tree fills its host";
    EXPECT_EQ(texts, (Strings{text(Key::space), "Hotkey to show the main window", "Hotkeys for categories",
                              "Hotkeys for entries", "Hotkeys to show a tag", "Hotkeys to launch all entries of a tag"}));
}

}  // namespace
