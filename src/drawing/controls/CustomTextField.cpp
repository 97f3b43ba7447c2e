#include "drawing/controls/CustomTextField.h"

#include "drawing/controls/TextLimit.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/TextView.h"
#include "platform/foundation/Text.h"
#include "settings/ConfigCells.h"
#include "store/IconTag.h"

namespace frelt {

// --- CustomTextField

std::optional<platform::Selector> commandShortcutAction(const platform::Event& event) {
    if (event.type != platform::EventType::keyDown) return std::nullopt;
    const platform::ModifierFlags flags = event.modifierFlags & platform::modifierflags::deviceIndependentFlagsMask;
    const std::string& key = event.charactersIgnoringModifiers;
    if (flags == CustomTextField::commandKey) {
        if (key == "x") return "cut:";
        if (key == "c") return "copy:";
        if (key == "v") return "paste:";
        if (key == "z") return "undo:";
        if (key == "a") return "selectAll:";
    } else if (flags == CustomTextField::commandShiftKey && key == "Z") {
        return "redo:";
    }
    return std::nullopt;
}

bool sendCommandShortcut(const platform::Event& event, const std::shared_ptr<platform::Object>& sender) {
    const auto action = commandShortcutAction(event);
    return action && platform::Application::shared()->sendAction(*action, nullptr, sender);
}

bool CustomTextField::performKeyEquivalent(const platform::Event& event) {
    if (sendCommandShortcut(event, shared_from_this())) return true;
    return TextField::performKeyEquivalent(event);
}

void CustomTextField::textDidBeginEditing(const platform::Notification& notification) {
    isCurrentlyEditing = true;
    if (didBeginEditingHandler) didBeginEditingHandler();
    TextField::textDidBeginEditing(notification);
}

void CustomTextField::textDidEndEditing(const platform::Notification& notification) {
    isCurrentlyEditing = false;
    if (didEndEditingHandler) didEndEditingHandler();
    TextField::textDidEndEditing(notification);
}

void CustomTextField::textDidChange(const platform::Notification& notification) {
    if (maxLength && *maxLength > 0) {
        const auto limit = static_cast<std::size_t>(*maxLength);
        if (auto text = textValue(); text && textlimit::utf16Length(*text) > limit)
            showText(textlimit::prefixWithinUTF16Units(*text, limit));
    }
    if (didChangeHandler) didChangeHandler();
    TextField::textDidChange(notification);
}

bool CustomTextField::becomeFirstResponder() {
    isCurrentlyEditing = TextField::becomeFirstResponder();
    if (willBecomeFirstResponder) willBecomeFirstResponder();
    return isCurrentlyEditing;
}

std::optional<std::string> CustomTextField::textValue() {
    if (auto s = objectValue().asString()) return *s;
    return std::nullopt;
}

void CustomTextField::showText(const std::string& text) {
    if (auto editor = currentEditor()) {
        // Setting the control's value would end the session; the text
        // changes under the editing person instead.
        editor->setString(text);
        cell()->setStringValue(text);
        setNeedsDisplay(true);
        return;
    }
    setStringValue(text);
}

void CustomTextField::finishEditInPlace(const std::string& before, const std::string& after,
                                        const std::shared_ptr<CustomTextFieldDelegate>& delegate) {
    if (before.empty()) return;
    if (!after.empty() && after != before) {
        if (delegate && !delegate->textFieldValueChanged(before, after)) showText(before);
        return;
    }
    showText(before);
}

// --- comment

void CustomTextFieldForEditingComment::controlTextDidEndEditing(const platform::Notification&) {
    auto text = textValue();
    auto owner = ownerTableCellView.lock();
    if (!text || !owner) return;
    if (auto entry = owner->itemData.lock()) entry->setComment(*text);
}

// --- tag name

bool CustomTextFieldForEditingTags::becomeFirstResponder() {
    // Escape before the first change shows this name, not an older one.
    if (auto text = textValue()) tagNameBeforeEdit = *text;
    return CustomTextField::becomeFirstResponder();
}

void CustomTextFieldForEditingTags::controlTextDidBeginEditing(const platform::Notification&) {
    if (auto text = textValue()) tagNameBeforeEdit = *text;
}

void CustomTextFieldForEditingTags::controlTextDidEndEditing(const platform::Notification&) {
    auto text = textValue();
    if (!text) return;
    tagNameAfterEdit = normalizedTagString(*text);
    finishEditInPlace(tagNameBeforeEdit, tagNameAfterEdit, customTextFieldDelegate.lock());
}

void CustomTextFieldForEditingTags::cancelOperation(const std::shared_ptr<platform::Object>&) {
    showText(tagNameBeforeEdit);
}

// --- editable caption

void CustomEditableTextLabel::mouseDown(const platform::Event& event) {
    if (event.clickCount == 2 && !isEditable() && editIsAllowed) {
        // Escape before the first change shows this value, not an older one.
        valueBeforeEdit = textValue().value_or("");
        setEditable(true);
        setSelectable(true);
        selectText();
        setNeedsDisplay(true);
        return;
    }
    CustomTextField::mouseDown(event);
}

void CustomEditableTextLabel::controlTextDidBeginEditing(const platform::Notification&) {
    valueBeforeEdit = textValue().value_or("");
}

void CustomEditableTextLabel::controlTextDidEndEditing(const platform::Notification&) {
    becomeCaption();
    if (auto text = textValue()) {
        valueAfterEdit = platform::text::trimmingWhitespace(*text);
        finishEditInPlace(valueBeforeEdit, valueAfterEdit, customTextFieldDelegate.lock());
    }
    leaveEditing();
}

void CustomEditableTextLabel::cancelOperation(const std::shared_ptr<platform::Object>&) {
    showText(valueBeforeEdit);
    becomeCaption();
    leaveEditing();
}

bool CustomEditableTextLabel::resignFirstResponder() {
    becomeCaption();
    return CustomTextField::resignFirstResponder();
}

void CustomEditableTextLabel::becomeCaption() {
    setEditable(false);
    setSelectable(false);
    setNeedsDisplay(true);
}

void CustomEditableTextLabel::leaveEditing() {
    if (currentEditor()) abortEditing();
}

}  // namespace frelt
