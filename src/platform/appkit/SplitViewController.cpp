#include "platform/appkit/SplitViewController.h"

#include <algorithm>

#include "platform/appkit/View.h"

namespace platform {

void SplitViewItem::setCollapsed(bool c) {
    collapsed_ = c;
    if (viewController_ && viewController_->isViewLoaded()) viewController_->view()->setHidden(c);
}

// --- split view controller

void SplitViewController::loadView() {
    auto view = std::make_shared<View>(Rect(Point{}, preferredContentSize()));
    setView(view);
    for (auto& item : items_) view->addSubview(item->viewController()->view());
    arrange();
}

void SplitViewController::addSplitViewItem(const std::shared_ptr<SplitViewItem>& item) {
    insertSplitViewItem(item, items_.size());
}

void SplitViewController::insertSplitViewItem(const std::shared_ptr<SplitViewItem>& item, std::size_t index) {
    if (!item || !item->viewController()) return;
    index = std::min(index, items_.size());
    items_.insert(items_.begin() + std::ptrdiff_t(index), item);
    insertChildViewController(item->viewController(), index);
    if (isViewLoaded()) {
        auto child = item->viewController()->view();
        if (index + 1 < items_.size())
            view()->addSubview(child, WindowOrderingMode::below, items_[index + 1]->viewController()->view());
        else
            view()->addSubview(child);
        child->setHidden(item->isCollapsed());
        arrange();
    }
}

void SplitViewController::removeSplitViewItem(const std::shared_ptr<SplitViewItem>& item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) return;
    items_.erase(it);
    auto vc = item->viewController();
    if (vc->isViewLoaded()) vc->view()->removeFromSuperview();
    vc->removeFromParentViewController();
    if (isViewLoaded()) arrange();
}

std::shared_ptr<SplitViewItem> SplitViewController::splitViewItemForViewController(
    const std::shared_ptr<ViewController>& vc) const {
    for (auto& item : items_)
        if (item->viewController() == vc) return item;
    return nullptr;
}

void SplitViewController::toggleSidebar(const std::shared_ptr<Object>&) {
    for (auto& item : items_) {
        if (!item->canCollapse()) continue;
        item->setCollapsed(!item->isCollapsed());
        if (isViewLoaded()) arrange();
        return;
    }
}

Rect SplitViewController::arrangedBounds() { return view()->bounds(); }

void SplitViewController::arrange() {
    const Rect b = arrangedBounds();
    std::vector<std::shared_ptr<SplitViewItem>> shown;
    for (auto& item : items_)
        if (!item->isCollapsed()) shown.push_back(item);
    if (shown.empty()) return;
    const double total = vertical_ ? b.width() : b.height();
    // Items with a maximum keep it when the even share is larger; the others
    // share the rest and follow the container when it is resized.
    const double even = total / double(shown.size());
    double fixedTotal = 0;
    std::size_t flexible = 0;
    for (auto& item : shown) {
        if (item->maximumThickness() > 0 && item->maximumThickness() < even) fixedTotal += item->maximumThickness();
        else ++flexible;
    }
    const double flexibleLength = flexible ? std::max(0.0, total - fixedTotal) / double(flexible) : 0;
    double offset = 0;
    bool afterFlexible = false;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const bool fixed = shown[i]->maximumThickness() > 0 && shown[i]->maximumThickness() < even;
        double length = fixed ? shown[i]->maximumThickness() : flexibleLength;
        if (shown[i]->minimumThickness() > 0) length = std::max(length, shown[i]->minimumThickness());
        if (i + 1 == shown.size()) length = std::max(0.0, total - offset);
        auto v = shown[i]->viewController()->view();
        v->setFrame(vertical_ ? Rect(b.minX() + offset, b.minY(), length, b.height())
                              : Rect(b.minX(), b.minY() + offset, b.width(), length));
        AutoresizingMask mask = vertical_ ? autoresizing::heightSizable : autoresizing::widthSizable;
        if (fixed && afterFlexible) mask |= vertical_ ? autoresizing::minXMargin : autoresizing::minYMargin;
        if (!fixed && flexible == 1 && fixedTotal > 0) mask |= vertical_ ? autoresizing::widthSizable : autoresizing::heightSizable;
        if (!fixed) afterFlexible = true;
        v->setAutoresizingMask(mask);
        offset += length;
    }
}

// --- tab view controller

void TabViewController::loadView() {
    setView(std::make_shared<View>(Rect(Point{}, preferredContentSize())));
    showSelected(-1);
}

void TabViewController::addTabViewItem(const std::shared_ptr<TabViewItem>& item) {
    insertTabViewItem(item, items_.size());
}

void TabViewController::insertTabViewItem(const std::shared_ptr<TabViewItem>& item, std::size_t index) {
    if (!item || !item->viewController()) return;
    index = std::min(index, items_.size());
    items_.insert(items_.begin() + std::ptrdiff_t(index), item);
    insertChildViewController(item->viewController(), index);
    if (selected_ < 0) {
        setSelectedTabViewItemIndex(0);
    } else if (long(index) <= selected_) {
        ++selected_;  // the same item stays selected
    }
}

void TabViewController::removeTabViewItem(const std::shared_ptr<TabViewItem>& item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) return;
    const long index = long(it - items_.begin());
    auto vc = item->viewController();
    if (vc->isViewLoaded() && isViewLoaded() && vc->view()->superview() == view()) vc->view()->removeFromSuperview();
    items_.erase(it);
    vc->removeFromParentViewController();
    if (index < selected_) {
        --selected_;
    } else if (index == selected_) {
        selected_ = -1;
        if (!items_.empty()) setSelectedTabViewItemIndex(std::min(index, long(items_.size()) - 1));
    }
}

std::shared_ptr<TabViewItem> TabViewController::selectedTabViewItem() const {
    if (selected_ < 0 || selected_ >= long(items_.size())) return nullptr;
    return items_[std::size_t(selected_)];
}

void TabViewController::setSelectedTabViewItemIndex(long index) {
    if (index < 0 || index >= long(items_.size()) || index == selected_) return;
    auto item = items_[std::size_t(index)];
    if (!shouldSelectTabViewItem(item)) return;
    willSelectTabViewItem(item);
    const long previous = selected_;
    selected_ = index;
    if (isViewLoaded()) showSelected(previous);
    didSelectTabViewItem(item);
}

void TabViewController::showSelected(long previous) {
    auto container = view();
    if (previous >= 0 && previous < long(items_.size())) {
        auto old = items_[std::size_t(previous)]->viewController();
        if (old->isViewLoaded() && old->view()->superview() == container) old->view()->removeFromSuperview();
    }
    // Anything else left from an item that was removed meanwhile.
    for (auto& sub : std::vector<std::shared_ptr<View>>(container->subviews())) {
        const bool isSelected = selectedTabViewItem() && selectedTabViewItem()->viewController()->isViewLoaded() &&
                                selectedTabViewItem()->viewController()->view() == sub;
        if (!isSelected && sub->viewController()) sub->removeFromSuperview();
    }
    auto item = selectedTabViewItem();
    if (!item) return;
    auto child = item->viewController()->view();
    child->setFrame(container->bounds());
    child->setAutoresizingMask(autoresizing::widthSizable | autoresizing::heightSizable);
    if (child->superview() != container) container->addSubview(child);
}

}  // namespace platform
