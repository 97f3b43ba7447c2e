#include "platform/appkit/PopUpButton.h"

#include <algorithm>

#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Image.h"

namespace platform {

PopUpButton::PopUpButton(Rect frame, bool pullsDown) : Button(frame), menu_(std::make_shared<Menu>()), pullsDown_(pullsDown) {
    // Its items carry no actions of their own; they are enabled unless set otherwise.
    menu_->setAutoenablesItems(false);
}

void PopUpButton::setMenu(const std::shared_ptr<Menu>& menu) {
    menu_ = menu ? menu : std::make_shared<Menu>();
    selected_.reset();
    if (!pullsDown_ && menu_->numberOfItems() > 0) selectItemAtIndex(0);
}

void PopUpButton::addItemWithTitle(const std::string& title) {
    insertItemWithTitle(title, menu_->numberOfItems());
}

void PopUpButton::addItemsWithTitles(const std::vector<std::string>& titles) {
    for (const auto& t : titles) addItemWithTitle(t);
}

void PopUpButton::insertItemWithTitle(const std::string& title, std::size_t index) {
    // Titles are unique in a pop-up button: an item of that title goes first.
    removeItemWithTitle(title);
    menu_->insertItem(std::make_shared<MenuItem>(title, Selector{}), index);
    if (!pullsDown_ && !selectedItem()) selectItemAtIndex(0);
}

void PopUpButton::removeItemAtIndex(std::size_t index) {
    auto item = menu_->itemAtIndex(index);
    if (!item) return;
    const bool wasSelected = item == selectedItem();
    menu_->removeItemAtIndex(index);
    if (wasSelected) {
        selected_.reset();
        if (!pullsDown_ && menu_->numberOfItems() > 0) selectItemAtIndex(0);
    }
}

void PopUpButton::removeItemWithTitle(const std::string& title) {
    const long index = indexOfItemWithTitle(title);
    if (index >= 0) removeItemAtIndex(static_cast<std::size_t>(index));
}

void PopUpButton::removeAllItems() {
    menu_->removeAllItems();
    selected_.reset();
    setNeedsDisplay(true);
}

std::vector<std::string> PopUpButton::itemTitles() const {
    std::vector<std::string> titles;
    for (const auto& item : menu_->items()) titles.push_back(item->title());
    return titles;
}

std::shared_ptr<MenuItem> PopUpButton::lastItem() const {
    return menu_->numberOfItems() ? menu_->items().back() : nullptr;
}

long PopUpButton::indexOfItemWithTitle(const std::string& title) const {
    return menu_->indexOfItem(menu_->itemWithTitle(title));
}

long PopUpButton::indexOfItemWithTag(long tag) const { return menu_->indexOfItem(menu_->itemWithTag(tag)); }

long PopUpButton::indexOfSelectedItem() const { return menu_->indexOfItem(selectedItem()); }

std::string PopUpButton::titleOfSelectedItem() const {
    auto item = selectedItem();
    return item ? item->title() : std::string();
}

void PopUpButton::updateStates() {
    if (pullsDown_) return;
    auto sel = selectedItem();
    for (const auto& item : menu_->items())
        item->setState(item == sel ? ControlStateValue::on : ControlStateValue::off);
}

void PopUpButton::selectItem(const std::shared_ptr<MenuItem>& item) {
    if (item && menu_->indexOfItem(item) < 0) return;
    selected_ = item;
    updateStates();
    setNeedsDisplay(true);
}

void PopUpButton::selectItemAtIndex(long index) {
    selectItem(index >= 0 ? menu_->itemAtIndex(static_cast<std::size_t>(index)) : nullptr);
}

void PopUpButton::selectItemWithTitle(const std::string& title) { selectItem(menu_->itemWithTitle(title)); }

bool PopUpButton::selectItemWithTag(long tag) {
    auto item = menu_->itemWithTag(tag);
    selectItem(item);
    return item != nullptr;
}

void PopUpButton::chooseFromMenu() {
    if (!isEnabled()) return;
    auto me = std::static_pointer_cast<PopUpButton>(shared_from_this());
    auto chosen = menu_->popUpChoosing(selectedItem(), Point{0, 0}, me, false);
    if (!chosen) return;
    if (!pullsDown_) selectItem(chosen);
    if (chosen->hasAction()) menu_->performActionForItem(chosen);
    else Control::sendAction();
}

void PopUpButton::mouseDown(const Event&) { chooseFromMenu(); }

void PopUpButton::drawRect(const Rect&) {
    auto* context = GraphicsContext::current();
    if (!context) return;
    ControlDrawing d = controlDrawing(ControlKind::popUpButton);
    // A pull-down shows its first item (its title), a pop-up the selection.
    if (pullsDown_) d.title = menu_->numberOfItems() ? menu_->itemAtIndex(0)->title() : title();
    else d.title = titleOfSelectedItem();
    d.bordered = isBordered();
    context->drawControl(d, bounds());
    // A choice shown by its image alone (no title) shows that image, as the
    // open menu does.
    const auto item = pullsDown_ ? nullptr : selectedItem();
    if (!item || !item->title().empty() || !item->image()) return;
    const Rect b = bounds();
    const Size size = item->image()->size();
    const double height = std::min(size.height > 0 ? size.height : b.height(), b.height() - 4);
    const double width = size.height > 0 ? size.width * height / size.height : height;
    item->image()->drawInRect(Rect(b.minX() + 8, b.minY() + (b.height() - height) / 2, width, height));
}

void PopUpButton::performClick(const std::shared_ptr<Object>&) { chooseFromMenu(); }

}  // namespace platform
