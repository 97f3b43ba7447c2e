#pragma once
// Menus and their items. A menu popped up blocks until it closes; the
// chosen item's action runs after it closed (so the action may open a window
// or another modal without the menu in the way). Who chooses is the
// ModalPresenter: a person on the desktop, the ModalScript in tests.
//
// An item belongs to at most one menu. Adding an item that is still in a
// menu is a programming error: it is reported and the item stays where it is.

#include <any>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/ControlState.h"
#include "platform/appkit/Event.h"
#include "platform/appkit/Object.h"
#include "platform/graphics/Geometry.h"

namespace platform {

class Menu;
class View;
class Image;

class MenuItem : public Object {
public:
    using Handler = std::function<void(const std::shared_ptr<MenuItem>& sender)>;

    MenuItem() = default;
    // The action named by a selector, sent to the target or, without one,
    // along the responder chain.
    MenuItem(std::string title, Selector action, std::string keyEquivalent = {});
    // The action as a callback, run with the item as sender.
    MenuItem(std::string title, Handler handler, std::string keyEquivalent = {});
    static std::shared_ptr<MenuItem> separatorItem();

    bool isSeparatorItem() const { return separator_; }

    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    // The name of the image shown beside the title (empty: none).
    const std::string& imageName() const { return imageName_; }
    void setImageName(std::string name) { imageName_ = std::move(name); }
    std::shared_ptr<Image> image() const { return image_; }
    void setImage(std::shared_ptr<Image> image) { image_ = std::move(image); }
    long tag() const { return tag_; }
    void setTag(long tag) { tag_ = tag; }
    ControlStateValue state() const { return state_; }
    void setState(ControlStateValue state) { state_ = state; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }
    const std::string& toolTip() const { return toolTip_; }
    void setToolTip(std::string tip) { toolTip_ = std::move(tip); }
    int indentationLevel() const { return indentationLevel_; }
    void setIndentationLevel(int level) { indentationLevel_ = level; }

    // An upper-case letter implies Shift, as on the platform.
    const std::string& keyEquivalent() const { return keyEquivalent_; }
    void setKeyEquivalent(std::string key) { keyEquivalent_ = std::move(key); }
    ModifierFlags keyEquivalentModifierMask() const { return keyEquivalentModifierMask_; }
    void setKeyEquivalentModifierMask(ModifierFlags mask) { keyEquivalentModifierMask_ = mask; }

    const std::any& representedObject() const { return representedObject_; }
    void setRepresentedObject(std::any object) { representedObject_ = std::move(object); }
    template <class T>
    const T* representedObjectAs() const { return std::any_cast<T>(&representedObject_); }

    std::shared_ptr<Object> target() const { return target_.lock(); }
    void setTarget(const std::shared_ptr<Object>& target) { target_ = target; }
    const Selector& action() const { return action_; }
    void setAction(Selector action) { action_ = std::move(action); }
    const Handler& handler() const { return handler_; }
    void setHandler(Handler handler) { handler_ = std::move(handler); }
    // Whether choosing the item does anything (a selector or a callback).
    bool hasAction() const { return !action_.empty() || handler_ != nullptr; }

    std::shared_ptr<Menu> submenu() const { return submenu_; }
    void setSubmenu(const std::shared_ptr<Menu>& submenu);
    bool hasSubmenu() const { return submenu_ != nullptr; }
    // The menu the item is in.
    std::shared_ptr<Menu> menu() const { return menu_.lock(); }

private:
    friend class Menu;

    bool separator_ = false;
    std::string title_;
    std::string imageName_;
    std::shared_ptr<Image> image_;
    long tag_ = 0;
    ControlStateValue state_ = ControlStateValue::off;
    bool enabled_ = true;
    bool hidden_ = false;
    std::string toolTip_;
    int indentationLevel_ = 0;
    std::string keyEquivalent_;
    ModifierFlags keyEquivalentModifierMask_ = modifierflags::command;
    std::any representedObject_;
    std::weak_ptr<Object> target_;
    Selector action_;
    Handler handler_;
    std::shared_ptr<Menu> submenu_;
    std::weak_ptr<Menu> menu_;
};

// A target that decides whether the items sending it actions are enabled
// (asked when the menu autoenables its items).
class MenuItemValidation {
public:
    virtual ~MenuItemValidation() = default;
    virtual bool validateMenuItem(const std::shared_ptr<MenuItem>& item) = 0;
};

class MenuDelegate {
public:
    virtual ~MenuDelegate() = default;
    // Before the menu opens, to fill or refresh its items.
    virtual void menuNeedsUpdate(const std::shared_ptr<Menu>& menu) { (void)menu; }
    virtual void menuWillOpen(const std::shared_ptr<Menu>& menu) { (void)menu; }
    virtual void menuDidClose(const std::shared_ptr<Menu>& menu) { (void)menu; }
};

class Menu : public Object {
public:
    explicit Menu(std::string title = {});

    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }

    const std::vector<std::shared_ptr<MenuItem>>& items() const { return items_; }
    std::size_t numberOfItems() const { return items_.size(); }
    std::shared_ptr<MenuItem> itemAtIndex(std::size_t index) const;
    // -1 when absent.
    long indexOfItem(const std::shared_ptr<MenuItem>& item) const;
    std::shared_ptr<MenuItem> itemWithTitle(const std::string& title) const;
    std::shared_ptr<MenuItem> itemWithTag(long tag) const;

    // False (and reported) when the item is already in a menu.
    bool addItem(const std::shared_ptr<MenuItem>& item);
    std::shared_ptr<MenuItem> addItem(std::string title, Selector action, std::string keyEquivalent = {});
    std::shared_ptr<MenuItem> addItem(std::string title, MenuItem::Handler handler, std::string keyEquivalent = {});
    void addSeparator() { addItem(MenuItem::separatorItem()); }
    bool insertItem(const std::shared_ptr<MenuItem>& item, std::size_t index);
    void removeItem(const std::shared_ptr<MenuItem>& item);
    void removeItemAtIndex(std::size_t index);
    void removeAllItems();

    // Whether popping up sets each item's enabled state from its target (on
    // by default); off leaves the states the program set.
    bool autoenablesItems() const { return autoenablesItems_; }
    void setAutoenablesItems(bool b) { autoenablesItems_ = b; }
    // Sets the enabled states as autoenabling does.
    void update();

    std::shared_ptr<MenuDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<MenuDelegate>& d) { delegate_ = d; }
    std::shared_ptr<Menu> supermenu() const { return supermenu_.lock(); }
    double minimumWidth() const { return minimumWidth_; }
    void setMinimumWidth(double w) { minimumWidth_ = w; }
    bool isOpen() const { return open_; }

    // Shows the menu with `positioningItem` at `location` in `view` (screen
    // coordinates without a view) and returns when it closed: true when an
    // item was chosen, whose action then has run.
    bool popUp(const std::shared_ptr<MenuItem>& positioningItem, Point location, const std::shared_ptr<View>& view);
    // The same, answering the chosen item; with `performAction` false the
    // caller runs the action itself (a pop-up button selects the item first).
    std::shared_ptr<MenuItem> popUpChoosing(const std::shared_ptr<MenuItem>& positioningItem, Point location,
                                            const std::shared_ptr<View>& view, bool performAction);

    // Runs the item's action now: its callback, or its selector sent to its
    // target or along the responder chain. False when nobody handled it.
    bool performActionForItem(const std::shared_ptr<MenuItem>& item);
    bool performActionForItemAtIndex(std::size_t index) { return performActionForItem(itemAtIndex(index)); }
    // Finds an enabled item (here or in a submenu) whose key equivalent
    // matches the key event and runs its action.
    bool performKeyEquivalent(const Event& event);

    // The item (here or in a submenu, depth first) with this title.
    std::shared_ptr<MenuItem> findItemWithTitle(const std::string& title) const;
    // Whether `item` is in this menu or one of its submenus.
    bool containsItem(const std::shared_ptr<MenuItem>& item) const;

private:
    friend class MenuItem;
    bool itemIsEnabledByTarget(const std::shared_ptr<MenuItem>& item) const;
    std::shared_ptr<Object> validTargetFor(const std::shared_ptr<MenuItem>& item) const;

    std::string title_;
    std::vector<std::shared_ptr<MenuItem>> items_;
    bool autoenablesItems_ = true;
    std::weak_ptr<MenuDelegate> delegate_;
    std::weak_ptr<Menu> supermenu_;
    double minimumWidth_ = 0;
    bool open_ = false;
    // The view the menu was popped up in, while it is open: the start of the
    // responder chain for items without a target.
    std::weak_ptr<View> popUpView_;
};

}  // namespace platform
