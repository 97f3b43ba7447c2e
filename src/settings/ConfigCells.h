#pragma once
// The configuration window's cells that the custom text fields work with.
// The comment cell shows an entry's comment in a field that writes it back
// when editing ends.

#include <memory>

#include "platform/appkit/TableRowView.h"
#include "store/TableViewItem.h"

namespace frelt {

class CustomTextFieldForEditingComment;

class TableViewCellConfigComment : public platform::TableCellView {
public:
    static constexpr long commentMaxLength = 100;

    using TableCellView::TableCellView;

    // The entry whose comment the cell shows.
    std::weak_ptr<TableViewItem> itemData;
    std::weak_ptr<CustomTextFieldForEditingComment> commentField;

    // Makes `field` the cell's comment field: its own delegate, limited to
    // 100 characters, with this cell as its owner.
    void setUpCommentField(const std::shared_ptr<CustomTextFieldForEditingComment>& field);
    // Shows the entry's comment.
    void setItem(const TableViewItem::Ptr& item);
};

// The Tags dialog's name cell (built with the dialog).
class TableViewCellConfigEditTags;

}  // namespace frelt
