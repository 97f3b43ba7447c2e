#include "drawing/controls/ColorPopup.h"

#include <algorithm>

#include "app/InterfaceResources.h"
#include "drawing/controls/ColorSlider.h"
#include "platform/appkit/Popover.h"
#include "platform/foundation/SingleInstance.h"

namespace frelt {

ColorPopupViewController::ColorPopupViewController() {
    registerAction("clearColor_click:", [this](const std::shared_ptr<platform::Object>&) { removeColor(); });
    registerAction("onChangeColorSlider:", [this](const std::shared_ptr<platform::Object>& sender) {
        if (auto slider = std::dynamic_pointer_cast<ColorSlider>(sender)) applySliderColor(*slider);
    });
}

void ColorPopupViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    auto self = std::static_pointer_cast<ColorPopupViewController>(shared_from_this());
    for (const auto& outlet : colorCircles)
        if (auto circle = outlet.lock()) circle->setDelegate(self);
}

void ColorPopupViewController::viewWillAppear() {
    ViewController::viewWillAppear();
    setPreferredContentSize({252, 153});
    isVisible = true;
    auto slider = colorSlider.lock();
    if (!slider) return;
    slider->prepareForColorChoice(shared_from_this());
}

void ColorPopupViewController::viewWillDisappear() {
    ViewController::viewWillDisappear();
    isVisible = false;
}

void ColorPopupViewController::removeColor() {
    if (!item) return;
    item->setColor(std::nullopt);
    closePopup();
}

void ColorPopupViewController::applySliderColor(ColorSlider& slider) {
    const platform::Color color = slider.currentColor();
    if (!item) return;
    item->setColor(color);
    closePopup();
}

void ColorPopupViewController::colorCircleSelected(const std::shared_ptr<DrawnColorCircle>&,
                                                   const platform::Color& color) {
    if (!item) return;
    item->setColor(color);
    closePopup();
}

void ColorPopupViewController::closePopup() {
    auto manager = ColorPopupManager::shared();
    if (auto controller = manager->popupViewController()) controller->item.reset();
    manager->colorPopover->close();
}

std::shared_ptr<ColorPopupManager> ColorPopupManager::shared() {
    return platform::singleInstance<ColorPopupManager>([] { return std::make_shared<ColorPopupManager>(); });
}

ColorPopupManager::ColorPopupManager() : colorPopover(std::make_shared<platform::Popover>()) {}

std::shared_ptr<ColorPopupViewController> ColorPopupManager::popupViewController() {
    return instantiateSceneOnce(popupViewController_, ColorPopupViewController::storyboardName,
                                ColorPopupViewController::sceneIdentifier);
}

void ColorPopupManager::showColorPopup(const std::shared_ptr<platform::View>& anchor, const TableViewItem::Ptr& entry) {
    auto controller = popupViewController();
    colorPopover->setContentViewController(controller);
    colorPopover->setBehavior(platform::PopoverBehavior::transient);
    // Without content there is nothing to show.
    if (!controller || !anchor) return;
    controller->item = entry;
    colorPopover->showRelativeToRect(anchor->bounds(), anchor, platform::RectEdge::minX);
}

}  // namespace frelt
