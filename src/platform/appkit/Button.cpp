#include "platform/appkit/Button.h"

#include <cctype>

#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/TextMetrics.h"

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

// Setting what the button already shows repaints nothing: views refresh
// their buttons while they draw.
void Button::setTitle(std::string title) {
    if (title == title_) return;
    title_ = std::move(title);
    appearanceDidChange();
}

void Button::setImage(std::shared_ptr<Image> image) {
    if (image == image_) return;
    image_ = std::move(image);
    appearanceDidChange();
}

void Button::setState(ControlStateValue state) {
    if (state == ControlStateValue::mixed && !allowsMixed_) state = ControlStateValue::on;
    if (state == state_) return;
    state_ = state;
    appearanceDidChange();
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

void Button::keyDown(const Event& event) {
    const bool plain = !(event.modifierFlags & (modifierflags::command | modifierflags::control | modifierflags::option |
                                                modifierflags::shift));
    // Return presses a focused push button; on a check box it goes on to the
    // window's default button.
    const bool returnKey = event.keyCode == keycode::returnKey || event.keyCode == keycode::keypadEnter;
    if (plain && (event.keyCode == keycode::space || (returnKey && !togglesState()))) {
        performClick();
        return;
    }
    Control::keyDown(event);
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
    const double text = textMetrics().sizeOfText(AttributedString(title_, textAttributes()), 0).width;
    const bool box = type_ == ButtonType::switchButton || type_ == ButtonType::radio;
    return {std::ceil(text) + (box ? 22 : 24), 21};
}

void Button::drawRect(const Rect&) {
    auto* context = GraphicsContext::current();
    if (!context || transparent_) return;
    const Rect b = bounds();
    ControlKind kind = ControlKind::pushButton;
    if (type_ == ButtonType::switchButton) kind = ControlKind::checkBox;
    else if (type_ == ButtonType::radio) kind = ControlKind::radioButton;
    const bool box = kind != ControlKind::pushButton;
    // A push button with neither title nor image is a canvas its subclass
    // paints on (the program's drawn buttons): no bezel under that.
    if (!box && title_.empty() && !image_) return;
    if (box || bordered_) {
        ControlDrawing d = controlDrawing(kind);
        d.title = title_;
        d.state = state_;
        d.isDefault = keyEquivalent_ == "\r";
        d.bordered = bordered_;
        context->drawControl(d, b);
        if (box || !image_) return;
    }
    // Borderless (and image) buttons: the image, then the title beside it
    // or centred alone.
    const bool showTitle = !title_.empty() && imagePosition_ != ImagePosition::imageOnly;
    if (image_) {
        Size s = image_->size();
        if (s.width <= 0 || s.height <= 0) s = {b.height(), b.height()};
        const double scale = std::min({1.0, b.width() / s.width, b.height() / s.height});
        s = {s.width * scale, s.height * scale};
        double x = b.midX() - s.width / 2;
        if (showTitle && (imagePosition_ == ImagePosition::imageLeft || imagePosition_ == ImagePosition::imageLeading))
            x = b.minX() + 2;
        const auto tint = image_->isTemplate() ? std::optional<Color>(textAttributes().foregroundColor) : std::nullopt;
        image_->drawInRect(Rect(x, b.midY() - s.height / 2, s.width, s.height), CompositingOperation::sourceOver,
                           isEnabled() ? 1.0 : 0.5, tint);
        if (!showTitle || bordered_) return;
        drawText(title_, Rect(x + s.width + 4, b.minY(), std::max(0.0, b.maxX() - x - s.width - 4), b.height()));
        return;
    }
    if (showTitle) drawText(title_, b);
}

}  // namespace platform
