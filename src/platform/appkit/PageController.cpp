#include "platform/appkit/PageController.h"

#include "platform/appkit/View.h"

namespace platform {

void PageControllerDelegate::pageControllerDidEndLiveTransition(PageController& pc) { pc.completeTransition(); }

PageController::PageController() {
    registerAction("navigateForward:", [this](const std::shared_ptr<Object>& sender) { navigateForward(sender); });
    registerAction("navigateBack:", [this](const std::shared_ptr<Object>& sender) { navigateBack(sender); });
}

std::shared_ptr<View> PageController::pageView() const {
    if (auto v = pageView_.lock()) return v;
    return isViewLoaded() ? const_cast<PageController*>(this)->view() : nullptr;
}

void PageController::setArrangedObjects(std::vector<std::any> objects) {
    arrangedObjects_ = std::move(objects);
    selectedIndex_ = arrangedObjects_.empty() ? -1 : 0;
    showPage();
}

void PageController::setSelectedIndex(long index) {
    if (index < 0 || index >= static_cast<long>(arrangedObjects_.size())) return;
    selectedIndex_ = index;
    showPage();
}

void PageController::showPage() {
    std::shared_ptr<ViewController> next;
    auto d = delegate();
    if (d && selectedIndex_ >= 0) {
        const std::string identifier = d->pageControllerIdentifierForObject(*this, arrangedObjects_[selectedIndex_]);
        auto& kept = controllers_[identifier];
        if (!kept) kept = d->pageControllerViewControllerForIdentifier(*this, identifier);
        next = kept;
    }
    if (next == selected_) return;
    if (selected_ && selected_->isViewLoaded()) selected_->view()->removeFromSuperview();
    selected_ = next;
    const auto container = pageView();
    if (selected_ && container) {
        const auto page = selected_->view();
        page->setFrame(container->bounds());
        page->setAutoresizingMask(autoresizing::widthSizable | autoresizing::heightSizable);
        container->addSubview(page);
    }
    if (d && selectedIndex_ >= 0) d->pageControllerDidTransitionToObject(*this, arrangedObjects_[selectedIndex_]);
}

void PageController::transitionTo(long index) {
    if (index < 0 || index >= static_cast<long>(arrangedObjects_.size()) || index == selectedIndex_) return;
    selectedIndex_ = index;
    transitioning_ = true;
    showPage();
    if (auto d = delegate()) d->pageControllerDidEndLiveTransition(*this);
    else completeTransition();
}

void PageController::navigateForward(const std::shared_ptr<Object>&) { transitionTo(selectedIndex_ + 1); }
void PageController::navigateBack(const std::shared_ptr<Object>&) { transitionTo(selectedIndex_ - 1); }

void PageController::completeTransition() { transitioning_ = false; }

}  // namespace platform
