#include "settings/ConfigCells.h"

#include "drawing/controls/CustomTextField.h"

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

}  // namespace frelt
