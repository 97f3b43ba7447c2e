#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "platform/appkit/Application.h"
#include "platform/appkit/Menu.h"
#include "platform/appkit/ModalScript.h"
#include "platform/appkit/View.h"
#include "platform/appkit/Window.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace platform;

namespace {

using Calls = std::vector<std::string>;

class RecordingMenuDelegate : public MenuDelegate {
public:
    explicit RecordingMenuDelegate(std::shared_ptr<Calls> calls) : calls_(std::move(calls)) {}
    void menuNeedsUpdate(const std::shared_ptr<Menu>& m) override { calls_->push_back("needsUpdate " + m->title()); }
    void menuWillOpen(const std::shared_ptr<Menu>& m) override { calls_->push_back("willOpen " + m->title()); }
    void menuDidClose(const std::shared_ptr<Menu>& m) override { calls_->push_back("didClose " + m->title()); }

private:
    std::shared_ptr<Calls> calls_;
};

// A target that answers some actions and validates one item.
class Target : public Object {
public:
    explicit Target(std::shared_ptr<Calls> calls) : calls_(std::move(calls)) {
        registerAction("mnu_Info:", [this](const std::shared_ptr<Object>&) { calls_->push_back("mnu_Info:"); });
        registerAction("mnu_Quit:", [this](const std::shared_ptr<Object>&) { calls_->push_back("mnu_Quit:"); });
    }

private:
    std::shared_ptr<Calls> calls_;
};

class MenuTest : public FreltTest {
protected:
    std::shared_ptr<Calls> calls = std::make_shared<Calls>();
    std::shared_ptr<ModalScript> script = ModalScript::shared();
    std::shared_ptr<Menu> menu = std::make_shared<Menu>("status");
    std::shared_ptr<RecordingMenuDelegate> delegate = std::make_shared<RecordingMenuDelegate>(calls);
};

TEST_F(MenuTest, ChosenActionRunsAfterTheMenuClosed) {
    menu->setDelegate(delegate);
    menu->addItem("About", [&](const std::shared_ptr<MenuItem>&) { calls->push_back("about"); });
    menu->addSeparator();
    menu->addItem("Quit", [&](const std::shared_ptr<MenuItem>& sender) {
        calls->push_back(std::string("quit, menu open: ") + (menu->isOpen() ? "yes" : "no") + ", sender " +
                         sender->title());
    });
    script->chooseMenuItem("Quit");

    EXPECT_TRUE(menu->popUp(nullptr, Point{10, 20}, nullptr));
    EXPECT_EQ(*calls, (Calls{"needsUpdate status", "willOpen status", "didClose status", "quit, menu open: no, sender Quit"}));

    // Dismissed: the menu closes and nothing runs.
    calls->clear();
    script->dismissMenu();
    EXPECT_FALSE(menu->popUp(nullptr, Point{}, nullptr));
    EXPECT_EQ(*calls, (Calls{"needsUpdate status", "willOpen status", "didClose status"}));
    EXPECT_TRUE(script->verifyAllAnswersUsed());
}

TEST_F(MenuTest, UnscriptedMenuFailsAndClosesWithoutAChoice) {
    menu->addItem("About", [&](const std::shared_ptr<MenuItem>&) { calls->push_back("about"); });
    bool chosen = true;
    EXPECT_NONFATAL_FAILURE(chosen = menu->popUp(nullptr, Point{}, nullptr), "unscripted menu \"status\"");
    EXPECT_FALSE(chosen);
    EXPECT_TRUE(calls->empty());
    EXPECT_FALSE(menu->isOpen());
}

TEST_F(MenuTest, SelectorActionsGoToTheTargetAndAutoenablingFollowsIt) {
    auto target = std::make_shared<Target>(calls);
    auto info = menu->addItem("About Frelt...", Selector("mnu_Info:"));
    auto missing = menu->addItem("Nobody answers", Selector("mnu_Nothing:"));
    info->setTarget(target);
    missing->setTarget(target);

    script->chooseMenuItem("About Frelt...");
    EXPECT_TRUE(menu->popUp(nullptr, Point{}, nullptr));
    EXPECT_TRUE(info->isEnabled());
    EXPECT_FALSE(missing->isEnabled());
    EXPECT_EQ(*calls, Calls{"mnu_Info:"});

    // A person cannot choose a disabled item: scripting it is a mistake.
    script->chooseMenuItem("Nobody answers");
    EXPECT_NONFATAL_FAILURE(menu->popUp(nullptr, Point{}, nullptr), "\"Nobody answers\" is disabled");

    // Without autoenabling the states the program set stay.
    menu->setAutoenablesItems(false);
    missing->setEnabled(true);
    info->setEnabled(false);
    script->chooseMenuItem("About Frelt...");
    EXPECT_NONFATAL_FAILURE(menu->popUp(nullptr, Point{}, nullptr), "is disabled");
    EXPECT_TRUE(missing->isEnabled());
}

class AnsweringView : public View {
public:
    explicit AnsweringView(std::shared_ptr<Calls> calls) : View(Rect(0, 0, 50, 50)) {
        registerAction("mnu_Quit:", [calls](const std::shared_ptr<Object>& sender) {
            calls->push_back("view got mnu_Quit: from " + std::dynamic_pointer_cast<MenuItem>(sender)->title());
        });
    }
};

TEST_F(MenuTest, ItemWithoutTargetTravelsTheResponderChainFromTheView) {
    auto window = std::make_shared<Window>(Rect(0, 0, 200, 100));
    auto outer = std::make_shared<AnsweringView>(calls);
    auto inner = std::make_shared<View>(Rect(0, 0, 10, 10));
    window->contentView()->addSubview(outer);
    outer->addSubview(inner);
    auto quit = menu->addItem("Quit", Selector("mnu_Quit:"));
    auto nothing = menu->addItem("Nothing", Selector("mnu_Nothing:"));

    script->chooseMenuItem("Quit");
    EXPECT_TRUE(menu->popUp(nullptr, Point{}, inner));
    EXPECT_TRUE(quit->isEnabled());
    EXPECT_FALSE(nothing->isEnabled());
    EXPECT_EQ(*calls, Calls{"view got mnu_Quit: from Quit"});
}

TEST_F(MenuTest, AnItemBelongsToOneMenuAtATime) {
    auto other = std::make_shared<Menu>("main");
    auto shared = std::make_shared<MenuItem>("Preferences...", Selector("mnu_GeneralSettings:"));
    ASSERT_TRUE(menu->addItem(shared));
    bool added = true;
    EXPECT_NONFATAL_FAILURE(added = other->addItem(shared), "already in the menu \"status\"");
    EXPECT_FALSE(added);
    EXPECT_EQ(shared->menu(), menu);

    // Emptying one menu frees its items for the other.
    menu->removeAllItems();
    EXPECT_EQ(shared->menu(), nullptr);
    EXPECT_TRUE(other->addItem(shared));
    EXPECT_EQ(other->indexOfItem(shared), 0);
    EXPECT_EQ(menu->numberOfItems(), 0u);
}

TEST_F(MenuTest, ChoosingAnItemInASubmenuRunsThatItemsAction) {
    menu->addItem("Tag", Selector("pick:"), "t");
    auto sub = std::make_shared<Menu>("sub");
    sub->addItem("Inner", [&](const std::shared_ptr<MenuItem>&) { calls->push_back("inner"); });
    auto holder = menu->addItem("More", Selector{});
    holder->setSubmenu(sub);
    EXPECT_EQ(sub->supermenu(), menu);

    script->chooseMenuItem("Inner");
    EXPECT_TRUE(menu->popUp(nullptr, Point{}, nullptr));
    EXPECT_EQ(*calls, Calls{"inner"});
}

TEST_F(MenuTest, ItemsAreFoundByTagAndPositionAndKeyEquivalentsMeanCommand) {
    auto tagged = menu->addItem("Tag", Selector("pick:"), "t");
    tagged->setTag(7);
    auto last = menu->addItem("Last", Selector("last:"));
    menu->insertItem(MenuItem::separatorItem(), 1);
    EXPECT_EQ(menu->itemWithTag(7), tagged);
    EXPECT_EQ(menu->itemWithTag(8), nullptr);
    EXPECT_TRUE(menu->itemAtIndex(1)->isSeparatorItem());
    EXPECT_EQ(menu->indexOfItem(last), 2);
    EXPECT_EQ(tagged->keyEquivalentModifierMask(), modifierflags::command) << "a key equivalent means Command";
}

TEST_F(MenuTest, KeyEquivalentRunsTheMatchingItem) {
    menu->setAutoenablesItems(false);
    menu->addItem("Copy", [&](const std::shared_ptr<MenuItem>&) { calls->push_back("copy"); }, "c");
    menu->addItem("Redo", [&](const std::shared_ptr<MenuItem>&) { calls->push_back("redo"); }, "Z");
    auto key = [](const char* chars, ModifierFlags flags) {
        return *Event::keyEvent(EventType::keyDown, 0, chars, chars, flags);
    };
    EXPECT_TRUE(menu->performKeyEquivalent(key("c", modifierflags::command)));
    EXPECT_FALSE(menu->performKeyEquivalent(key("c", modifierflags::option)));
    EXPECT_FALSE(menu->performKeyEquivalent(key("z", modifierflags::command)));
    EXPECT_TRUE(menu->performKeyEquivalent(key("z", modifierflags::command | modifierflags::shift)));
    EXPECT_EQ(*calls, (Calls{"copy", "redo"}));
}

}  // namespace
