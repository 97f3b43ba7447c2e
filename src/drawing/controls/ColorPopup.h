#pragma once
// The small transient popover in which the user gives one entry a colour:
// eighteen colour circles, a hue slider and a button that removes the
// colour. Choosing a circle, releasing the slider or pressing the button
// changes the entry's colour at once (the entry announces a real change
// itself) and closes the popover.
//
// ColorPopupManager owns the popover and, made once from the scene
// "ConfigData"/"ColorPopupViewController", its content, which is reused for
// every entry. Without that content the popover is never shown.

#include <array>
#include <memory>
#include <optional>

#include "drawing/DrawnViews.h"
#include "platform/appkit/ViewController.h"
#include "store/TableViewItem.h"

namespace platform {
class Popover;
class View;
}  // namespace platform

namespace frelt {

class ColorSlider;

class ColorPopupViewController : public platform::ViewController, public ColorCircleDelegate {
public:
    static constexpr const char* storyboardName = "ConfigData";
    static constexpr const char* sceneIdentifier = "ColorPopupViewController";

    ColorPopupViewController();

    // The outlets colorCircle01 ... colorCircle18, each with a preset colour
    // from the layout, and the hue slider.
    std::array<std::weak_ptr<DrawnColorCircle>, 18> colorCircles;
    std::weak_ptr<ColorSlider> colorSlider;

    // True between viewWillAppear and viewWillDisappear.
    bool isVisible = false;
    // The entry being edited; cleared after every change.
    TableViewItem::Ptr item;

    // Makes the controller the delegate of every circle.
    void viewDidLoad() override;
    // Sizes the popover and sets the slider up: not continuous, refusing
    // first responder, a 16-point knob with a thin border, a 10-point bar,
    // its action to this controller, enabled.
    void viewWillAppear() override;
    void viewWillDisappear() override;

    // The clear button ("clearColor_click:"): the entry loses its colour.
    void removeColor();
    // The slider's action ("onChangeColorSlider:"): the entry takes the
    // slider's current colour.
    void applySliderColor(ColorSlider& slider);
    void colorCircleSelected(const std::shared_ptr<DrawnColorCircle>& circle, const platform::Color& color) override;

private:
    // Forgets the entry and closes the shared popover.
    static void closePopup();
};

class ColorPopupManager {
public:
    static std::shared_ptr<ColorPopupManager> shared();
    ColorPopupManager();

    const std::shared_ptr<platform::Popover> colorPopover;
    // Made on first use from the scene; stays none when the scene cannot be
    // made.
    std::shared_ptr<ColorPopupViewController> popupViewController();

    // Shows the popover for `entry` at the left edge of `anchor`.
    void showColorPopup(const std::shared_ptr<platform::View>& anchor, const TableViewItem::Ptr& entry);

private:
    std::optional<std::shared_ptr<ColorPopupViewController>> popupViewController_;
};

}  // namespace frelt
