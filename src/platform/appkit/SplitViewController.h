#pragma once
// Controllers that hold other controllers: side by side (split) and one at a
// time (tabs). Their children's views live in the container's view, so the
// children get their appear calls with it; a tab view controller holds only
// the selected child's view.

#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/ViewController.h"

namespace platform {

class SplitViewItem {
public:
    explicit SplitViewItem(std::shared_ptr<ViewController> vc) : viewController_(std::move(vc)) {}
    static std::shared_ptr<SplitViewItem> splitViewItemWithViewController(std::shared_ptr<ViewController> vc) {
        return std::make_shared<SplitViewItem>(std::move(vc));
    }
    std::shared_ptr<ViewController> viewController() const { return viewController_; }
    bool isCollapsed() const { return collapsed_; }
    void setCollapsed(bool c);
    bool canCollapse() const { return canCollapse_; }
    void setCanCollapse(bool c) { canCollapse_ = c; }
    double minimumThickness() const { return minimumThickness_; }
    void setMinimumThickness(double t) { minimumThickness_ = t; }
    double maximumThickness() const { return maximumThickness_; }
    void setMaximumThickness(double t) { maximumThickness_ = t; }
    double holdingPriority() const { return holdingPriority_; }
    void setHoldingPriority(double p) { holdingPriority_ = p; }

private:
    std::shared_ptr<ViewController> viewController_;
    bool collapsed_ = false;
    bool canCollapse_ = false;
    double minimumThickness_ = -1;
    double maximumThickness_ = -1;
    double holdingPriority_ = 250;
};

class SplitViewController : public ViewController {
public:
    const std::vector<std::shared_ptr<SplitViewItem>>& splitViewItems() const { return items_; }
    void addSplitViewItem(const std::shared_ptr<SplitViewItem>& item);
    void insertSplitViewItem(const std::shared_ptr<SplitViewItem>& item, std::size_t index);
    void removeSplitViewItem(const std::shared_ptr<SplitViewItem>& item);
    std::shared_ptr<SplitViewItem> splitViewItemForViewController(const std::shared_ptr<ViewController>& vc) const;
    bool isVertical() const { return vertical_; }  // side by side
    void setVertical(bool v) { vertical_ = v; }
    // Makes a plain view holding the items' views side by side.
    void loadView() override;
    // Shows or hides the first item that can collapse (the sidebar).
    void toggleSidebar(const std::shared_ptr<Object>& sender);

protected:
    // Where the items go: the whole view, unless a subclass keeps room for
    // something of its own.
    virtual Rect arrangedBounds();

private:
    // Items with a maximum thickness below an even share keep it; the rest
    // share what is left.
    void arrange();
    std::vector<std::shared_ptr<SplitViewItem>> items_;
    bool vertical_ = true;
};

class TabViewItem {
public:
    explicit TabViewItem(std::shared_ptr<ViewController> vc) : viewController_(std::move(vc)) {}
    static std::shared_ptr<TabViewItem> tabViewItemWithViewController(std::shared_ptr<ViewController> vc) {
        return std::make_shared<TabViewItem>(std::move(vc));
    }
    std::shared_ptr<ViewController> viewController() const { return viewController_; }
    const std::string& label() const { return label_; }
    void setLabel(std::string l) { label_ = std::move(l); }
    const std::string& identifier() const { return identifier_; }
    void setIdentifier(std::string i) { identifier_ = std::move(i); }
    const std::string& imageName() const { return imageName_; }
    void setImageName(std::string n) { imageName_ = std::move(n); }

private:
    std::shared_ptr<ViewController> viewController_;
    std::string label_;
    std::string identifier_;
    std::string imageName_;
};

enum class TabViewControllerTabStyle : int { segmentedControlOnTop = 0, segmentedControlOnBottom = 1, toolbar = 2, unspecified = -1 };

class TabViewController : public ViewController {
public:
    const std::vector<std::shared_ptr<TabViewItem>>& tabViewItems() const { return items_; }
    void addTabViewItem(const std::shared_ptr<TabViewItem>& item);
    void insertTabViewItem(const std::shared_ptr<TabViewItem>& item, std::size_t index);
    void removeTabViewItem(const std::shared_ptr<TabViewItem>& item);
    // -1 when there are no items.
    long selectedTabViewItemIndex() const { return selected_; }
    // Moves the chosen child's view in (the old one's out); out of range is ignored.
    void setSelectedTabViewItemIndex(long index);
    std::shared_ptr<TabViewItem> selectedTabViewItem() const;
    TabViewControllerTabStyle tabStyle() const { return tabStyle_; }
    void setTabStyle(TabViewControllerTabStyle s) { tabStyle_ = s; }

    // Hooks around a selection change.
    virtual bool shouldSelectTabViewItem(const std::shared_ptr<TabViewItem>& item) { (void)item; return true; }
    virtual void willSelectTabViewItem(const std::shared_ptr<TabViewItem>& item) { (void)item; }
    virtual void didSelectTabViewItem(const std::shared_ptr<TabViewItem>& item) { (void)item; }

    // Makes a plain view holding the selected item's view.
    void loadView() override;

private:
    void showSelected(long previous);
    std::vector<std::shared_ptr<TabViewItem>> items_;
    long selected_ = -1;
    TabViewControllerTabStyle tabStyle_ = TabViewControllerTabStyle::segmentedControlOnTop;
};

}  // namespace platform
