#include "mainwindow/TagTableViewPopup.h"

#include "app/InterfaceResources.h"
#include "hotkeys/RecordView.h"
#include "drawing/controls/ColorSlider.h"

namespace frelt {

TagTableViewPopupViewController::TagTableViewPopupViewController() {
    registerAction("btnDefaultClick:", [this](const std::shared_ptr<platform::Object>&) { resetToDefault(); });
}

void TagTableViewPopupViewController::viewWillAppear() {
    TagAppearancePopupViewController::viewWillAppear();
    isVisible = true;
    if (!currentIconTag) return;
    tintColor = currentIconTag->color();
    applyTintColor();
    if (auto slider = colorSlider.lock()) slider->prepareForColorChoice(shared_from_this());
}

void TagTableViewPopupViewController::viewWillDisappear() {
    isVisible = false;
    TagAppearancePopupViewController::viewWillDisappear();
}

TagTableViewPopupManager::TagTableViewPopupManager() : popover(std::make_shared<platform::Popover>()) {}

std::shared_ptr<TagTableViewPopupViewController> TagTableViewPopupManager::tagTableViewPopupViewController() {
    return instantiateSceneOnce(controller_, TagTableViewPopupViewController::storyboardName,
                                TagTableViewPopupViewController::sceneIdentifier);
}

void TagTableViewPopupManager::setupPopover() {
    const auto controller = tagTableViewPopupViewController();
    if (!controller) return;
    controller->becomeContentOf(popover);
    popover->setDelegate(std::dynamic_pointer_cast<platform::PopoverDelegate>(shared_from_this()));
}

void TagTableViewPopupManager::popoverDidClose(const platform::Notification&) {
    if (auto delegate = customDelegate.lock()) delegate->popupDidClose();
}

bool TagTableView::validateProposedFirstResponder(const std::shared_ptr<platform::Responder>& responder,
                                                  const platform::Event* event) {
    return std::dynamic_pointer_cast<RecordView>(responder) != nullptr ||
           TableView::validateProposedFirstResponder(responder, event);
}

}  // namespace frelt
