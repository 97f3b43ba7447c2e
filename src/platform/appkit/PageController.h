#pragma once
// A controller that leafs through pages: a list of arranged objects, one of
// them selected, each shown by a view controller that the delegate makes for
// the object's identifier. navigateForward and navigateBack move the
// selection by one; each move is a transition that the delegate ends with
// completeTransition (from pageControllerDidEndLiveTransition).
//
// The page shows in `pageView` (the controller's view unless another view
// of it is set), filling it.

#include <any>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/ViewController.h"

namespace platform {

class PageController;

enum class PageControllerTransitionStyle : int { stackHistory = 0, stackBook = 1, horizontalStrip = 2 };

class PageControllerDelegate {
public:
    virtual ~PageControllerDelegate() = default;
    virtual std::string pageControllerIdentifierForObject(PageController& pc, const std::any& object) = 0;
    virtual std::shared_ptr<ViewController> pageControllerViewControllerForIdentifier(PageController& pc,
                                                                                      const std::string& identifier) = 0;
    virtual void pageControllerDidTransitionToObject(PageController& pc, const std::any& object) {
        (void)pc;
        (void)object;
    }
    // The default ends the transition (completeTransition).
    virtual void pageControllerDidEndLiveTransition(PageController& pc);
};

class PageController : public ViewController {
public:
    PageController();

    std::shared_ptr<PageControllerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<PageControllerDelegate>& d) { delegate_ = d; }

    const std::vector<std::any>& arrangedObjects() const { return arrangedObjects_; }
    // Selects the first object and shows its page.
    void setArrangedObjects(std::vector<std::any> objects);
    // -1 without arranged objects.
    long selectedIndex() const { return selectedIndex_; }
    // Shows the page of the object at `index` (without a transition).
    void setSelectedIndex(long index);
    PageControllerTransitionStyle transitionStyle() const { return transitionStyle_; }
    void setTransitionStyle(PageControllerTransitionStyle s) { transitionStyle_ = s; }
    std::shared_ptr<ViewController> selectedViewController() const { return selected_; }

    // The "navigateForward:" and "navigateBack:" actions: one page on, or
    // back, as a transition the delegate ends.
    void navigateForward(const std::shared_ptr<Object>& sender = nullptr);
    void navigateBack(const std::shared_ptr<Object>& sender = nullptr);
    // Ends the transition in progress: the new page stays.
    void completeTransition();

    std::shared_ptr<View> pageView() const;
    void setPageView(const std::shared_ptr<View>& view) { pageView_ = view; }

private:
    void showPage();
    void transitionTo(long index);

    std::weak_ptr<PageControllerDelegate> delegate_;
    std::vector<std::any> arrangedObjects_;
    long selectedIndex_ = -1;
    PageControllerTransitionStyle transitionStyle_ = PageControllerTransitionStyle::stackHistory;
    std::shared_ptr<ViewController> selected_;
    // The controllers made so far, by identifier, kept for reuse.
    std::map<std::string, std::shared_ptr<ViewController>> controllers_;
    std::weak_ptr<View> pageView_;
    bool transitioning_ = false;
};

}  // namespace platform
