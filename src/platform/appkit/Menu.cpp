#include "platform/appkit/Menu.h"

#include <algorithm>
#include <cctype>

#include "platform/appkit/Application.h"
#include "platform/appkit/ModalPresenter.h"
#include "platform/appkit/View.h"
#include "platform/foundation/FailureHook.h"

namespace platform {

// --- MenuItem ----------------------------------------------------------------

MenuItem::MenuItem(std::string title, Selector action, std::string keyEquivalent)
    : title_(std::move(title)), keyEquivalent_(std::move(keyEquivalent)), action_(std::move(action)) {}

MenuItem::MenuItem(std::string title, Handler handler, std::string keyEquivalent)
    : title_(std::move(title)), keyEquivalent_(std::move(keyEquivalent)), handler_(std::move(handler)) {}

std::shared_ptr<MenuItem> MenuItem::separatorItem() {
    auto item = std::make_shared<MenuItem>();
    item->separator_ = true;
    item->enabled_ = false;
    return item;
}

void MenuItem::setSubmenu(const std::shared_ptr<Menu>& submenu) {
    if (submenu_) submenu_->supermenu_.reset();
    submenu_ = submenu;
    if (submenu_) submenu_->supermenu_ = menu_;
}

// --- Menu ----------------------------------------------------------------------

Menu::Menu(std::string title) : title_(std::move(title)) {}

std::shared_ptr<MenuItem> Menu::itemAtIndex(std::size_t index) const {
    return index < items_.size() ? items_[index] : nullptr;
}

long Menu::indexOfItem(const std::shared_ptr<MenuItem>& item) const {
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<long>(it - items_.begin());
}

std::shared_ptr<MenuItem> Menu::itemWithTitle(const std::string& title) const {
    for (const auto& item : items_)
        if (!item->isSeparatorItem() && item->title() == title) return item;
    return nullptr;
}

std::shared_ptr<MenuItem> Menu::itemWithTag(long tag) const {
    for (const auto& item : items_)
        if (item->tag() == tag) return item;
    return nullptr;
}

bool Menu::addItem(const std::shared_ptr<MenuItem>& item) { return insertItem(item, items_.size()); }

std::shared_ptr<MenuItem> Menu::addItem(std::string title, Selector action, std::string keyEquivalent) {
    auto item = std::make_shared<MenuItem>(std::move(title), std::move(action), std::move(keyEquivalent));
    addItem(item);
    return item;
}

std::shared_ptr<MenuItem> Menu::addItem(std::string title, MenuItem::Handler handler, std::string keyEquivalent) {
    auto item = std::make_shared<MenuItem>(std::move(title), std::move(handler), std::move(keyEquivalent));
    addItem(item);
    return item;
}

bool Menu::insertItem(const std::shared_ptr<MenuItem>& item, std::size_t index) {
    if (!item) return false;
    if (auto owner = item->menu()) {
        reportFailure("menu item \"" + item->title() + "\" is already in the menu \"" + owner->title() +
                      "\"; remove it there first");
        return false;
    }
    index = std::min(index, items_.size());
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), item);
    item->menu_ = std::static_pointer_cast<Menu>(shared_from_this());
    if (item->submenu_) item->submenu_->supermenu_ = item->menu_;
    return true;
}

void Menu::removeItem(const std::shared_ptr<MenuItem>& item) {
    const long index = indexOfItem(item);
    if (index >= 0) removeItemAtIndex(static_cast<std::size_t>(index));
}

void Menu::removeItemAtIndex(std::size_t index) {
    if (index >= items_.size()) return;
    auto item = items_[index];
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    item->menu_.reset();
    if (item->submenu_) item->submenu_->supermenu_.reset();
}

void Menu::removeAllItems() {
    auto items = std::move(items_);
    items_.clear();
    for (const auto& item : items) {
        item->menu_.reset();
        if (item->submenu_) item->submenu_->supermenu_.reset();
    }
}

std::shared_ptr<Object> Menu::validTargetFor(const std::shared_ptr<MenuItem>& item) const {
    if (auto target = item->target()) return target->respondsToAction(item->action()) ? target : nullptr;
    // Without a target: the first responder along the chain that answers.
    std::shared_ptr<Responder> r;
    if (auto view = popUpView_.lock()) r = view;
    for (; r; r = r->nextResponder())
        if (r->respondsToAction(item->action())) return r;
    // Then the key window's chain, the application and its delegate.
    return Application::shared()->targetForAction(item->action(), nullptr, item);
}

bool Menu::itemIsEnabledByTarget(const std::shared_ptr<MenuItem>& item) const {
    if (item->isSeparatorItem()) return false;
    if (item->hasSubmenu()) return true;
    if (item->handler()) return true;
    if (item->action().empty()) return false;
    auto target = validTargetFor(item);
    if (!target) return false;
    if (auto validator = std::dynamic_pointer_cast<MenuItemValidation>(target)) return validator->validateMenuItem(item);
    return true;
}

void Menu::update() {
    if (!autoenablesItems_) return;
    for (const auto& item : items_) {
        if (item->isSeparatorItem()) continue;
        item->setEnabled(itemIsEnabledByTarget(item));
    }
}

bool Menu::containsItem(const std::shared_ptr<MenuItem>& item) const {
    for (const auto& i : items_) {
        if (i == item) return true;
        if (i->submenu() && i->submenu()->containsItem(item)) return true;
    }
    return false;
}

std::shared_ptr<MenuItem> Menu::findItemWithTitle(const std::string& title) const {
    for (const auto& i : items_) {
        if (!i->isSeparatorItem() && i->title() == title) return i;
        if (i->submenu())
            if (auto found = i->submenu()->findItemWithTitle(title)) return found;
    }
    return nullptr;
}

bool Menu::popUp(const std::shared_ptr<MenuItem>& positioningItem, Point location, const std::shared_ptr<View>& view) {
    assertMainThread("Menu::popUp");
    return popUpChoosing(positioningItem, location, view, true) != nullptr;
}

std::shared_ptr<MenuItem> Menu::popUpChoosing(const std::shared_ptr<MenuItem>& positioningItem, Point location,
                                              const std::shared_ptr<View>& view, bool performAction) {
    auto self = std::static_pointer_cast<Menu>(shared_from_this());
    if (open_) {
        reportFailure("menu \"" + title_ + "\" popped up while it is open");
        return nullptr;
    }
    popUpView_ = view;
    if (auto d = delegate()) d->menuNeedsUpdate(self);
    update();
    open_ = true;
    if (auto d = delegate()) d->menuWillOpen(self);

    auto chosen = ModalPresenter::current()->popUpMenu(*this, positioningItem, location, view);
    if (chosen) {
        // A person can only choose a visible, enabled item of this menu.
        std::string problem;
        if (!containsItem(chosen)) problem = "is not in the menu";
        else if (chosen->isSeparatorItem()) problem = "is a separator";
        else if (!chosen->isEnabled()) problem = "is disabled";
        else if (chosen->isHidden()) problem = "is hidden";
        else if (chosen->hasSubmenu()) problem = "opens a submenu";
        if (!problem.empty()) {
            reportFailure("menu \"" + title_ + "\": the chosen item \"" + chosen->title() + "\" " + problem);
            chosen.reset();
        }
    }

    open_ = false;
    if (auto d = delegate()) d->menuDidClose(self);
    if (chosen && performAction) {
        if (auto owner = chosen->menu()) owner->popUpView_ = view;
        performActionForItem(chosen);
        if (auto owner = chosen->menu(); owner && owner.get() != this) owner->popUpView_.reset();
    }
    popUpView_.reset();
    return chosen;
}

bool Menu::performActionForItem(const std::shared_ptr<MenuItem>& item) {
    if (!item || item->isSeparatorItem()) return false;
    if (item->handler()) {
        auto handler = item->handler();  // the handler may replace itself
        handler(item);
        return true;
    }
    if (item->action().empty()) return false;
    if (auto target = item->target()) return target->performAction(item->action(), item);
    auto owner = item->menu();
    if (auto target = owner ? owner->validTargetFor(item) : nullptr) return target->performAction(item->action(), item);
    return false;
}

namespace {
std::string lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
}  // namespace

bool Menu::performKeyEquivalent(const Event& event) {
    if (event.type != EventType::keyDown) return false;
    const ModifierFlags relevant = modifierflags::command | modifierflags::option | modifierflags::control |
                                   modifierflags::shift;
    const ModifierFlags flags = event.modifierFlags & relevant;
    const std::string key = lower(event.charactersIgnoringModifiers);
    for (const auto& item : items_) {
        if (item->submenu() && item->submenu()->performKeyEquivalent(event)) return true;
        if (item->isSeparatorItem() || item->keyEquivalent().empty()) continue;
        ModifierFlags wanted = item->keyEquivalentModifierMask() & relevant;
        const std::string& equivalent = item->keyEquivalent();
        // An upper-case letter as key equivalent means Shift.
        if (equivalent.size() == 1 && std::isupper(static_cast<unsigned char>(equivalent[0])))
            wanted |= modifierflags::shift;
        if (lower(equivalent) != key || wanted != flags) continue;
        update();
        if (!item->isEnabled()) return false;
        return performActionForItem(item);
    }
    return false;
}

}  // namespace platform
