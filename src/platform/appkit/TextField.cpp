#include "platform/appkit/TextField.h"

#include "platform/appkit/Menu.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/Window.h"

namespace platform {

TextField::TextField(Rect frame) : Control(frame) {
    setEditable(true);
}

std::shared_ptr<TextField> TextField::textField(std::string text) {
    auto f = std::make_shared<TextField>();
    f->setStringValue(std::move(text));
    return f;
}

std::shared_ptr<TextField> TextField::label(std::string text) {
    auto f = std::make_shared<TextField>();
    f->setEditable(false);
    f->setSelectable(false);
    f->setBezeled(false);
    f->setDrawsBackground(false);
    f->setStringValue(std::move(text));
    return f;
}

Size TextField::intrinsicContentSize() const {
    // A rough text measure, enough for layout without a display.
    const double chars = static_cast<double>(cell()->stringValue().size());
    return {chars * 7 + 4, 21};
}

SearchField::SearchField(Rect frame) : TextField(frame) {
    setCell(std::make_shared<SearchFieldCell>());
}

std::shared_ptr<Menu> SearchField::searchMenuTemplate() const {
    auto c = searchFieldCell();
    return c ? c->searchMenuTemplate() : nullptr;
}

void SearchField::setSearchMenuTemplate(std::shared_ptr<Menu> menu) {
    if (auto c = searchFieldCell()) c->setSearchMenuTemplate(std::move(menu));
}

bool SearchField::sendsWholeSearchString() const {
    auto c = searchFieldCell();
    return c && c->sendsWholeSearchString();
}

void SearchField::setSendsWholeSearchString(bool b) {
    if (auto c = searchFieldCell()) c->setSendsWholeSearchString(b);
}

void SearchField::cancelOperation(const std::shared_ptr<Object>&) {
    if (auto editor = currentEditor()) editor->setString("");
    cell()->setStringValue("");
    setNeedsDisplay(true);
    sendAction();
}

void SearchField::textDidChange(const Notification& notification) {
    Control::textDidChange(notification);
    if (!isContinuous() && !sendsWholeSearchString()) sendAction();
}

void SearchField::textDidEndEditing(const Notification& notification) {
    // The search field sends its action on Return only (the base does).
    Control::textDidEndEditing(notification);
}

}  // namespace platform
