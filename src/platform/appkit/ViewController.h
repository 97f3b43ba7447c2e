#pragma once
// A controller of a view. The view is made on first use (loadView, then
// viewDidLoad, once). The appear and disappear calls come when the view
// enters or leaves a shown window or popover, or that window shows or hides:
//   viewWillAppear -> (shown) -> viewDidAppear
//   viewWillDisappear -> (hidden) -> viewDidDisappear
// A controller whose view sits inside another controller's view gets the
// calls after that controller (parents first).

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/Responder.h"
#include "platform/graphics/Geometry.h"

namespace platform {

class View;
class Window;
class Popover;
enum class RectEdge : int;
enum class PopoverBehavior : int;

class ViewController : public Responder {
public:
    ViewController() = default;
    ~ViewController() override;

    // Loads the view when needed.
    std::shared_ptr<View> view();
    bool isViewLoaded() const { return view_ != nullptr; }
    void setView(const std::shared_ptr<View>& view);
    // Makes the view; the default makes a plain view of preferredContentSize.
    // Scene builders and subclasses override it (and call setView).
    virtual void loadView();
    // Runs loadView and viewDidLoad when the view is not loaded yet.
    void loadViewIfNeeded() { (void)view(); }

    virtual void viewDidLoad() {}
    virtual void viewWillAppear() {}
    virtual void viewDidAppear() {}
    virtual void viewWillDisappear() {}
    virtual void viewDidDisappear() {}
    virtual void viewWillLayout() {}
    virtual void viewDidLayout() {}

    // Whether the view is in a shown window or popover (after viewDidAppear
    // until viewWillDisappear).
    bool isViewAppeared() const { return appearance_ == AppearanceState::appeared; }

    Size preferredContentSize() const { return preferredContentSize_; }
    virtual void setPreferredContentSize(Size s) { preferredContentSize_ = s; }
    const std::string& title() const { return title_; }
    void setTitle(std::string t) { title_ = std::move(t); }
    const std::string& identifier() const { return identifier_; }
    void setIdentifier(std::string id) { identifier_ = std::move(id); }

    // --- containment
    std::shared_ptr<ViewController> parentViewController() const { return parent_.lock(); }
    const std::vector<std::shared_ptr<ViewController>>& childViewControllers() const { return children_; }
    void addChildViewController(const std::shared_ptr<ViewController>& child);
    void insertChildViewController(const std::shared_ptr<ViewController>& child, std::size_t index);
    void removeChildViewControllerAtIndex(std::size_t index);
    void removeFromParentViewController();

    // --- presenting
    std::shared_ptr<ViewController> presentingViewController() const { return presenting_.lock(); }
    std::vector<std::shared_ptr<ViewController>> presentedViewControllers() const;
    // In a new window of its own, shown in front (not blocking).
    void presentViewControllerAsModalWindow(const std::shared_ptr<ViewController>& vc);
    // As a sheet on this view's window.
    void presentViewControllerAsSheet(const std::shared_ptr<ViewController>& vc);
    void presentViewControllerAsPopover(const std::shared_ptr<ViewController>& vc, const Rect& positioningRect,
                                        const std::shared_ptr<View>& ofView, RectEdge preferredEdge,
                                        PopoverBehavior behavior);
    void dismissViewController(const std::shared_ptr<ViewController>& vc);
    // Dismisses this controller from its presenter (the dismissController: action).
    void dismissController(const std::shared_ptr<Object>& sender = nullptr);

    // The view's superview, else its window.
    std::shared_ptr<Responder> nextResponder() const override;

    // --- kit internals: the appear and disappear calls, made at most once per
    // transition.
    void kitViewWillAppear();
    void kitViewDidAppear();
    void kitViewWillDisappear();
    void kitViewDidDisappear();

private:
    enum class AppearanceState { disappeared, appearing, appeared, disappearing };
    struct Presentation {
        std::shared_ptr<ViewController> vc;
        std::shared_ptr<Window> window;    // modal window or sheet
        std::shared_ptr<Popover> popover;  // popover presentation
        bool sheet = false;
    };

    std::shared_ptr<View> view_;
    bool loadingView_ = false;
    AppearanceState appearance_ = AppearanceState::disappeared;
    Size preferredContentSize_;
    std::string title_;
    std::string identifier_;
    std::weak_ptr<ViewController> parent_;
    std::vector<std::shared_ptr<ViewController>> children_;
    std::weak_ptr<ViewController> presenting_;
    std::vector<Presentation> presented_;
};

// The appear calls for every controller of a view tree, parents first. Used
// by windows and popovers when they show and hide, and by views moving between
// windows.
namespace viewappearance {
void willAppear(View& root);
void didAppear(View& root);
void willDisappear(View& root);
void didDisappear(View& root);
}  // namespace viewappearance

}  // namespace platform
