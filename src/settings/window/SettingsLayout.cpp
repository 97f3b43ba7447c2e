#include "settings/window/SettingsLayout.h"

#include "app/AppDelegate.h"
#include "platform/graphics/Font.h"

namespace frelt::settingslayout {

Configuration& config() { return *AppDelegate::shared()->config; }

std::shared_ptr<platform::TextField> addLabel(platform::View& parent, const std::string& text, platform::Rect frame,
                                              bool bold) {
    auto label = platform::TextField::label(text);
    label->setFrame(frame);
    label->setFont(bold ? platform::Font::boldSystemFont(13) : platform::Font::systemFont(13));
    parent.addSubview(label);
    return label;
}

std::shared_ptr<platform::Button> addCheckbox(platform::View& parent, const std::string& title, platform::Rect frame,
                                              const std::shared_ptr<platform::Object>& target, const char* action) {
    auto checkbox = platform::Button::checkbox(title);
    checkbox->setFrame(frame);
    if (action) {
        checkbox->setTarget(target);
        checkbox->setAction(action);
    }
    parent.addSubview(checkbox);
    return checkbox;
}

std::shared_ptr<platform::PopUpButton> addPopUp(platform::View& parent, platform::Rect frame) {
    auto popUp = std::make_shared<platform::PopUpButton>(frame);
    parent.addSubview(popUp);
    return popUp;
}

}  // namespace frelt::settingslayout
