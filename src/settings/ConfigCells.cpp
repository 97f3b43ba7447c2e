#include "settings/ConfigCells.h"

#include "drawing/ImageHelpers.h"
#include "drawing/controls/CustomTextField.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/Window.h"

namespace frelt {

void TableViewCellConfigComment::setUpCommentField(const std::shared_ptr<CustomTextFieldForEditingComment>& field) {
    commentField = field;
    if (!field) return;
    field->setDelegate(field);
    field->maxLength = commentMaxLength;
    field->ownerTableCellView = std::static_pointer_cast<TableViewCellConfigComment>(shared_from_this());
}

void TableViewCellConfigComment::setItem(const TableViewItem::Ptr& item) {
    itemData = item;
    if (auto field = commentField.lock()) field->setStringValue(item ? item->comment() : std::string());
}

TableViewCellConfigEditTags::TableViewCellConfigEditTags(platform::Rect frame)
    : TableCellView(frame), popupMenu(TagTableViewPopupManager::make()) {
    registerAction("symbolButton_click:", [this](const std::shared_ptr<platform::Object>&) { symbolButtonClick(); });
}

void TableViewCellConfigEditTags::setUpNameField(const std::shared_ptr<CustomTextFieldForEditingTags>& field) {
    tokenTextfield = field;
    if (!field) return;
    field->setDelegate(field);
    field->maxLength = tagNameMaxLength;
    field->ownerTableCellView = std::static_pointer_cast<TableViewCellConfigEditTags>(shared_from_this());
}

void TableViewCellConfigEditTags::setTag(const iconTag::Ptr& tag) {
    tag_ = tag;
    if (auto field = tokenTextfield.lock()) field->setStringValue(tag ? tag->tagName() : std::string());
    popupMenu->setupPopover();
    popupMenu->customDelegate = std::static_pointer_cast<TableViewCellConfigEditTags>(shared_from_this());
    refreshTagSymbol();
}

void TableViewCellConfigEditTags::symbolButtonClick() {
    const auto button = symbolButton.lock();
    if (!button) return;
    if (popupMenu->popover->isShown()) {
        popupMenu->popover->close();
        return;
    }
    const auto controller = popupMenu->tagTableViewPopupViewController();
    if (!controller) return;
    if (auto w = window()) w->makeFirstResponder(std::static_pointer_cast<platform::Responder>(shared_from_this()));
    controller->currentIconTag = tag_;
    popupMenu->popover->showRelativeToRect(button->bounds(), button, platform::RectEdge::minX);
}

void TableViewCellConfigEditTags::refreshTagSymbol() {
    const auto button = symbolButton.lock();
    if (!button || !tag_) return;
    if (auto image = platform::Image::imageNamed(tag_->tagSymbol())) button->setImage(tinted(image, tag_->color()));
}

}  // namespace frelt
