#pragma once
// Push buttons, check boxes, radio buttons and the like. A click (mouse down
// and up inside, through the base mouseDown) sends the action; a subclass
// that overrides mouseDown without calling the base takes the click over and
// no action is sent. Toggle types (switch, radio, push on/push off, toggle)
// change their state before the action goes out.

#include <memory>
#include <string>

#include "platform/appkit/Control.h"
#include "platform/appkit/ControlState.h"

namespace platform {

class Image;

enum class ButtonType : int {
    momentaryLight = 0,
    pushOnPushOff = 1,
    toggle = 2,
    switchButton = 3,  // check box
    radio = 4,
    momentaryChange = 5,
    onOff = 6,
    momentaryPushIn = 7,
    accelerator = 8,
    multiLevelAccelerator = 9,
};

enum class BezelStyle : int {
    rounded = 1,
    regularSquare = 2,
    disclosure = 5,
    shadowlessSquare = 6,
    circular = 7,
    texturedSquare = 8,
    helpButton = 9,
    smallSquare = 10,
    texturedRounded = 11,
    roundRect = 12,
    recessed = 13,
    roundedDisclosure = 14,
    inline_ = 15,
};

enum class ImagePosition : int { noImage = 0, imageOnly = 1, imageLeft = 2, imageRight = 3, imageBelow = 4, imageAbove = 5, imageOverlaps = 6, imageLeading = 7, imageTrailing = 8 };

class Button : public Control {
public:
    explicit Button(Rect frame = {});
    static std::shared_ptr<Button> withTitle(std::string title, ActionHandler handler = nullptr);
    static std::shared_ptr<Button> checkbox(std::string title, ActionHandler handler = nullptr);

    const std::string& title() const { return title_; }
    void setTitle(std::string title);
    // Styled titles are kept as their plain text for now.
    const std::string& attributedTitle() const { return title_; }
    void setAttributedTitle(std::string title) { setTitle(std::move(title)); }
    const std::string& alternateTitle() const { return alternateTitle_; }
    void setAlternateTitle(std::string t) { alternateTitle_ = std::move(t); }

    std::shared_ptr<Image> image() const { return image_; }
    void setImage(std::shared_ptr<Image> image);
    std::shared_ptr<Image> alternateImage() const { return alternateImage_; }
    void setAlternateImage(std::shared_ptr<Image> image) { alternateImage_ = std::move(image); }
    // The name the image was loaded by, for the backend and tests.
    const std::string& imageName() const { return imageName_; }
    void setImageName(std::string name) {
        if (name == imageName_) return;
        imageName_ = std::move(name);
        appearanceDidChange();
    }
    ImagePosition imagePosition() const { return imagePosition_; }
    void setImagePosition(ImagePosition p) { imagePosition_ = p; }

    ButtonType buttonType() const { return type_; }
    void setButtonType(ButtonType type) { type_ = type; }
    BezelStyle bezelStyle() const { return bezelStyle_; }
    void setBezelStyle(BezelStyle s) { bezelStyle_ = s; }
    bool isBordered() const { return bordered_; }
    void setBordered(bool b) {
        if (b == bordered_) return;
        bordered_ = b;
        appearanceDidChange();
    }
    bool isTransparent() const { return transparent_; }
    void setTransparent(bool b) { transparent_ = b; }
    bool showsBorderOnlyWhileMouseInside() const { return borderWhileInside_; }
    void setShowsBorderOnlyWhileMouseInside(bool b) { borderWhileInside_ = b; }

    ControlStateValue state() const { return state_; }
    void setState(ControlStateValue state);
    bool allowsMixedState() const { return allowsMixed_; }
    void setAllowsMixedState(bool b) { allowsMixed_ = b; }
    // The state a click moves to: off -> on (-> mixed when allowed) -> off.
    ControlStateValue nextState() const;
    void setNextState() { setState(nextState()); }

    const std::string& keyEquivalent() const { return keyEquivalent_; }
    void setKeyEquivalent(std::string key) { keyEquivalent_ = std::move(key); }
    ModifierFlags keyEquivalentModifierMask() const { return keyEquivalentModifierMask_; }
    void setKeyEquivalentModifierMask(ModifierFlags m) { keyEquivalentModifierMask_ = m; }

    // Clicks the button in code: the state changes and the action goes out,
    // as for a click.
    void performClick(const std::shared_ptr<Object>& sender = nullptr);

    // Buttons take the keyboard from Tab (never from a click); then Space,
    // and Return as on the desktop's dialogs, press the focused one.
    bool acceptsFirstResponder() override { return isEnabled() && !refusesFirstResponder(); }
    bool becomesFirstResponderOnClick() const override { return false; }
    void keyDown(const Event& event) override;
    bool performKeyEquivalent(const Event& event) override;
    bool sendAction() override;
    Size intrinsicContentSize() const override;
    void drawRect(const Rect& dirtyRect) override;

protected:
    // The image, title or state changed (the status item shows the button
    // in the tray).
    virtual void appearanceDidChange() { setNeedsDisplay(true); }

private:
    bool togglesState() const;

    std::string title_;
    std::string alternateTitle_;
    std::shared_ptr<Image> image_;
    std::shared_ptr<Image> alternateImage_;
    std::string imageName_;
    ImagePosition imagePosition_ = ImagePosition::noImage;
    ButtonType type_ = ButtonType::momentaryPushIn;
    BezelStyle bezelStyle_ = BezelStyle::rounded;
    bool bordered_ = true;
    bool transparent_ = false;
    bool borderWhileInside_ = false;
    ControlStateValue state_ = ControlStateValue::off;
    bool allowsMixed_ = false;
    std::string keyEquivalent_;
    ModifierFlags keyEquivalentModifierMask_ = 0;
};

}  // namespace platform
