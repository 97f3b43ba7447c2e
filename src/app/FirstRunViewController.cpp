#include "app/FirstRunViewController.h"

#include "app/FreltWindowEnum.h"
#include "app/InterfaceResources.h"

namespace frelt {

FirstRunViewController::FirstRunViewController() {
    registerAction("btnDismissClick:", [this](const std::shared_ptr<platform::Object>& sender) { btnDismissClick(sender); });
}

void FirstRunViewController::viewDidLoad() {
    platform::PageController::viewDidLoad();
    setDelegate(std::dynamic_pointer_cast<platform::PageControllerDelegate>(shared_from_this()));
    setArrangedObjects({std::any(FirstRunPageEnum::pageOne), std::any(FirstRunPageEnum::pageTwo)});
    setTransitionStyle(platform::PageControllerTransitionStyle::stackBook);
    if (auto b = btnBack.lock()) b->setHidden(true);
    if (auto b = btnForward.lock()) b->setHidden(false);
    if (auto b = btnDismiss.lock()) b->setHidden(true);
}

std::string FirstRunViewController::pageControllerIdentifierForObject(platform::PageController&, const std::any& object) {
    if (const auto* page = std::any_cast<FirstRunPageEnum>(&object)) return rawValue(*page);
    return {};
}

std::shared_ptr<platform::ViewController> FirstRunViewController::pageControllerViewControllerForIdentifier(
    platform::PageController&, const std::string& identifier) {
    const auto page = firstRunPageFromRawValue(identifier);
    if (page == FirstRunPageEnum::pageOne) return loadPage("FirstRunSheet1");
    if (page == FirstRunPageEnum::pageTwo) return loadPage("FirstRunSheet2");
    return std::make_shared<platform::ViewController>();
}

void FirstRunViewController::pageControllerDidEndLiveTransition(platform::PageController& pc) {
    pc.completeTransition();
    updateButtons();
}

std::shared_ptr<platform::ViewController> FirstRunViewController::loadPage(const std::string& sceneIdentifier) {
    if (auto page = instantiateScene<platform::ViewController>(storyboardName, sceneIdentifier)) return page;
    return std::make_shared<platform::ViewController>();
}

void FirstRunViewController::updateButtons() {
    const long count = static_cast<long>(arrangedObjects().size());
    const long index = selectedIndex();
    bool back = false, forward = true, dismiss = false;
    if (count == 0) {
        forward = false;
        dismiss = true;
    } else if (index == count - 1 && index != 0) {
        back = true;
        forward = false;
        dismiss = true;
    }
    if (auto b = btnBack.lock()) b->setHidden(!back);
    if (auto b = btnForward.lock()) b->setHidden(!forward);
    if (auto b = btnDismiss.lock()) b->setHidden(!dismiss);
}

void FirstRunViewController::btnDismissClick(const std::shared_ptr<platform::Object>&) {
    FreltWindow::closeWindow(FreltWindowEnum::firstRun);
}

}  // namespace frelt
