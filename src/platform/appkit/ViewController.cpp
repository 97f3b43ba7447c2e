#include "platform/appkit/ViewController.h"

#include <algorithm>

#include "platform/appkit/Popover.h"
#include "platform/appkit/View.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/FailureHook.h"

namespace platform {

ViewController::~ViewController() = default;

std::shared_ptr<View> ViewController::view() {
    assertMainThread("ViewController::view");
    if (view_ || loadingView_) return view_;
    loadingView_ = true;
    loadView();
    if (!view_) setView(std::make_shared<View>(Rect(Point{}, preferredContentSize_)));
    loadingView_ = false;
    viewDidLoad();
    return view_;
}

void ViewController::setView(const std::shared_ptr<View>& view) {
    if (view_ == view) return;
    if (view_) view_->setViewController(nullptr);
    view_ = view;
    if (view_) {
        if (auto self = std::dynamic_pointer_cast<ViewController>(weak_from_this().lock())) view_->setViewController(self);
    }
}

void ViewController::loadView() {}

std::shared_ptr<Responder> ViewController::nextResponder() const {
    if (auto explicitNext = Responder::nextResponder()) return explicitNext;
    if (!view_) return nullptr;
    if (auto sup = view_->superview()) return sup;
    return view_->window();
}

// --- appear calls

void ViewController::kitViewWillAppear() {
    if (appearance_ == AppearanceState::appearing || appearance_ == AppearanceState::appeared) return;
    appearance_ = AppearanceState::appearing;
    viewWillAppear();
}

void ViewController::kitViewDidAppear() {
    if (appearance_ != AppearanceState::appearing) return;
    appearance_ = AppearanceState::appeared;
    viewDidAppear();
}

void ViewController::kitViewWillDisappear() {
    if (appearance_ != AppearanceState::appeared && appearance_ != AppearanceState::appearing) return;
    appearance_ = AppearanceState::disappearing;
    viewWillDisappear();
}

void ViewController::kitViewDidDisappear() {
    if (appearance_ != AppearanceState::disappearing) return;
    appearance_ = AppearanceState::disappeared;
    viewDidDisappear();
}

namespace viewappearance {
namespace {
void forEachController(View& root, void (ViewController::*call)()) {
    root.forEachInTree([&](View& v) {
        auto vc = v.viewController();
        if (vc && vc->isViewLoaded() && vc->view().get() == &v) ((*vc).*call)();
    });
}
}  // namespace

void willAppear(View& root) { forEachController(root, &ViewController::kitViewWillAppear); }
void didAppear(View& root) { forEachController(root, &ViewController::kitViewDidAppear); }
void willDisappear(View& root) { forEachController(root, &ViewController::kitViewWillDisappear); }
void didDisappear(View& root) { forEachController(root, &ViewController::kitViewDidDisappear); }
}  // namespace viewappearance

// --- containment

void ViewController::addChildViewController(const std::shared_ptr<ViewController>& child) {
    insertChildViewController(child, children_.size());
}

void ViewController::insertChildViewController(const std::shared_ptr<ViewController>& child, std::size_t index) {
    if (!child || child.get() == this) return;
    child->removeFromParentViewController();
    children_.insert(children_.begin() + std::ptrdiff_t(std::min(index, children_.size())), child);
    child->parent_ = std::static_pointer_cast<ViewController>(shared_from_this());
}

void ViewController::removeChildViewControllerAtIndex(std::size_t index) {
    if (index >= children_.size()) return;
    auto child = children_[index];
    children_.erase(children_.begin() + std::ptrdiff_t(index));
    child->parent_.reset();
}

void ViewController::removeFromParentViewController() {
    auto parent = parentViewController();
    if (!parent) return;
    auto& siblings = parent->children_;
    auto it = std::find_if(siblings.begin(), siblings.end(), [&](auto& c) { return c.get() == this; });
    if (it != siblings.end()) parent->removeChildViewControllerAtIndex(std::size_t(it - siblings.begin()));
}

// --- presenting

std::vector<std::shared_ptr<ViewController>> ViewController::presentedViewControllers() const {
    std::vector<std::shared_ptr<ViewController>> result;
    for (auto& p : presented_) result.push_back(p.vc);
    return result;
}

void ViewController::presentViewControllerAsModalWindow(const std::shared_ptr<ViewController>& vc) {
    if (!vc) return;
    auto window = std::make_shared<Window>(Rect(0, 0, 480, 270), stylemask::titled | stylemask::closable);
    window->setContentViewController(vc);
    window->setTitle(vc->title());
    window->center();
    vc->presenting_ = std::static_pointer_cast<ViewController>(shared_from_this());
    presented_.push_back({vc, window, nullptr, false});
    window->makeKeyAndOrderFront();
}

void ViewController::presentViewControllerAsSheet(const std::shared_ptr<ViewController>& vc) {
    if (!vc) return;
    auto parent = view()->window();
    if (!parent) {
        presentViewControllerAsModalWindow(vc);
        return;
    }
    auto sheet = std::make_shared<Window>(Rect(0, 0, 480, 270), stylemask::titled);
    sheet->setContentViewController(vc);
    vc->presenting_ = std::static_pointer_cast<ViewController>(shared_from_this());
    presented_.push_back({vc, sheet, nullptr, true});
    parent->beginSheet(sheet, nullptr);
}

void ViewController::presentViewControllerAsPopover(const std::shared_ptr<ViewController>& vc,
                                                    const Rect& positioningRect, const std::shared_ptr<View>& ofView,
                                                    RectEdge preferredEdge, PopoverBehavior behavior) {
    if (!vc || !ofView) return;
    auto popover = std::make_shared<Popover>();
    popover->setContentViewController(vc);
    popover->setBehavior(behavior);
    vc->presenting_ = std::static_pointer_cast<ViewController>(shared_from_this());
    presented_.push_back({vc, nullptr, popover, false});
    popover->showRelativeToRect(positioningRect, ofView, preferredEdge);
}

void ViewController::dismissViewController(const std::shared_ptr<ViewController>& vc) {
    auto it = std::find_if(presented_.begin(), presented_.end(), [&](auto& p) { return p.vc == vc; });
    if (it == presented_.end()) return;
    Presentation p = *it;
    presented_.erase(it);
    vc->presenting_.reset();
    if (p.popover) p.popover->close();
    if (p.window) {
        if (p.sheet) {
            if (auto parent = p.window->sheetParent()) parent->endSheet(p.window);
        } else {
            p.window->close();
        }
    }
}

void ViewController::dismissController(const std::shared_ptr<Object>&) {
    if (auto presenter = presentingViewController())
        presenter->dismissViewController(std::static_pointer_cast<ViewController>(shared_from_this()));
}

}  // namespace platform
