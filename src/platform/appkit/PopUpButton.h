#pragma once
// A pop-up button: a menu of choices with one selected. Selecting in code
// sends no action; a person's choice (through the ModalPresenter, the
// ModalScript in tests) selects the item and then sends the item's action,
// or the button's when the item has none.

#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/Button.h"
#include "platform/appkit/Menu.h"

namespace platform {

class PopUpButton : public Button {
public:
    explicit PopUpButton(Rect frame = {}, bool pullsDown = false);

    std::shared_ptr<Menu> menu() const { return menu_; }
    void setMenu(const std::shared_ptr<Menu>& menu);
    bool pullsDown() const { return pullsDown_; }
    void setPullsDown(bool b) { pullsDown_ = b; }
    bool autoenablesItems() const { return menu_->autoenablesItems(); }
    void setAutoenablesItems(bool b) { menu_->setAutoenablesItems(b); }

    void addItemWithTitle(const std::string& title);
    void addItemsWithTitles(const std::vector<std::string>& titles);
    void insertItemWithTitle(const std::string& title, std::size_t index);
    void removeItemAtIndex(std::size_t index);
    void removeItemWithTitle(const std::string& title);
    void removeAllItems();

    std::size_t numberOfItems() const { return menu_->numberOfItems(); }
    const std::vector<std::shared_ptr<MenuItem>>& itemArray() const { return menu_->items(); }
    std::vector<std::string> itemTitles() const;
    std::shared_ptr<MenuItem> itemAtIndex(std::size_t index) const { return menu_->itemAtIndex(index); }
    std::shared_ptr<MenuItem> itemWithTitle(const std::string& title) const { return menu_->itemWithTitle(title); }
    std::shared_ptr<MenuItem> lastItem() const;
    long indexOfItemWithTitle(const std::string& title) const;
    long indexOfItemWithTag(long tag) const;
    long indexOfItem(const std::shared_ptr<MenuItem>& item) const { return menu_->indexOfItem(item); }

    std::shared_ptr<MenuItem> selectedItem() const { return selected_.lock(); }
    // -1 without a selection.
    long indexOfSelectedItem() const;
    std::string titleOfSelectedItem() const;
    // A missing index, title or tag clears the selection, as on the platform.
    void selectItem(const std::shared_ptr<MenuItem>& item);
    void selectItemAtIndex(long index);
    void selectItemWithTitle(const std::string& title);
    bool selectItemWithTag(long tag);

    // A click shows the menu; the chosen item is selected and its action sent.
    void mouseDown(const Event& event) override;
    void mouseUp(const Event& event) override { (void)event; }
    // The same as a click, without the mouse (keyboard or accessibility).
    void performClick(const std::shared_ptr<Object>& sender = nullptr);
    void drawRect(const Rect& dirtyRect) override;

private:
    void chooseFromMenu();
    void updateStates();

    std::shared_ptr<Menu> menu_;
    bool pullsDown_ = false;
    std::weak_ptr<MenuItem> selected_;
};

}  // namespace platform
