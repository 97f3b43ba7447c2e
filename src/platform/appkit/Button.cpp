#include "platform/appkit/Button.h"

#include <cctype>

namespace platform {

Button::Button(Rect frame) : Control(frame) {}

std::shared_ptr<Button> Button::withTitle(std::string title, ActionHandler handler) {
    auto b = std::make_shared<Button>();
    b->setTitle(std::move(title));
    if (handler) b->setActionHandler(std::move(handler));
    return b;
}

std::shared_ptr<Button> Button::checkbox(std::string title, ActionHandler handler) {
    auto b = withTitle(std::move(title), std::move(handler));
    b->setButtonType(ButtonType::switchButton);
    return b;
}

void Button::setTitle(std::string title) {
    title_ = std::move(title);
    setNeedsDisplay(true);
}

void Button::setImage(std::shared_ptr<Image> image) {
    image_ = std::move(image);
    setNeedsDisplay(true);
}

void Button::setState(ControlStateValue state) {
    if (state == ControlStateValue::mixed && !allowsMixed_) state = ControlStateValue::on;
    state_ = state;
    setNeedsDisplay(true);
}

bool Button::togglesState() const {
    switch (type_) {
        case ButtonType::pushOnPushOff:
        case ButtonType::toggle:
        case ButtonType::switchButton:
        case ButtonType::radio:
        case ButtonType::onOff: return true;
        default: return false;
    }
}

ControlStateValue Button::nextState() const {
    switch (state_) {
        case ControlStateValue::off: return ControlStateValue::on;
        case ControlStateValue::on: return allowsMixed_ ? ControlStateValue::mixed : ControlStateValue::off;
        case ControlStateValue::mixed: return ControlStateValue::off;
    }
    return ControlStateValue::off;
}

bool Button::sendAction() {
    if (togglesState()) {
        // A radio button is only ever turned on by a click.
        if (type_ == ButtonType::radio) setState(ControlStateValue::on);
        else setNextState();
    }
    return Control::sendAction();
}

void Button::performClick(const std::shared_ptr<Object>&) {
    if (!isEnabled()) return;
    sendAction();
}

bool Button::performKeyEquivalent(const Event& event) {
    if (!isEnabled() || keyEquivalent_.empty() || event.type != EventType::keyDown || isHiddenOrHasHiddenAncestor())
        return false;
    const ModifierFlags relevant =
        modifierflags::command | modifierflags::option | modifierflags::control | modifierflags::shift;
    ModifierFlags wanted = keyEquivalentModifierMask_ & relevant;
    bool matches = false;
    if (keyEquivalent_ == "\r") matches = event.keyCode == keycode::returnKey || event.keyCode == keycode::keypadEnter;
    else if (keyEquivalent_ == "\x1b") matches = event.keyCode == keycode::escape;
    else {
        std::string key = event.charactersIgnoringModifiers;
        std::string eq = keyEquivalent_;
        if (eq.size() == 1 && std::isupper(static_cast<unsigned char>(eq[0]))) wanted |= modifierflags::shift;
        for (auto& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (auto& c : eq) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        matches = key == eq;
    }
    if (!matches || (event.modifierFlags & relevant) != wanted) return false;
    performClick();
    return true;
}

Size Button::intrinsicContentSize() const {
    // A rough text measure, enough for layout without a display.
    return {static_cast<double>(title_.size()) * 7 + 24, 21};
}

}  // namespace platform
