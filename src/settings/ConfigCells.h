#pragma once
// The configuration window's cells that the custom text fields work with.
// The comment cell shows an entry's comment in a field that writes it back
// when editing ends.

#include <memory>

#include "mainwindow/TagTableViewPopup.h"
#include "platform/appkit/TableRowView.h"
#include "store/IconTag.h"
#include "store/TableViewItem.h"

namespace platform {
class Button;
}

namespace frelt {

class CustomTextFieldForEditingComment;
class CustomTextFieldForEditingTags;

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

// The Tags dialog's name cell: the tag's name in a field that renames it
// (the dialog, its delegate, does the renaming), and a symbol button that
// opens the tag's icon and colour popup. When the popup closes, the button
// shows the tag's symbol anew.
class TableViewCellConfigEditTags : public platform::TableCellView, public TagTableViewPopupManagerDelegate {
public:
    static constexpr long tagNameMaxLength = 70;

    explicit TableViewCellConfigEditTags(platform::Rect frame = {});

    std::weak_ptr<CustomTextFieldForEditingTags> tokenTextfield;
    std::weak_ptr<platform::Button> symbolButton;
    // The row's popup.
    const std::shared_ptr<TagTableViewPopupManager> popupMenu;

    // Makes `field` the cell's name field: its own delegate, limited to 70
    // characters, with this cell as its owner.
    void setUpNameField(const std::shared_ptr<CustomTextFieldForEditingTags>& field);
    const iconTag::Ptr& rowTag() const { return tag_; }
    // Shows the tag's name and symbol and prepares the popup.
    void setTag(const iconTag::Ptr& tag);
    // The symbol button's action: closes a shown popup, else opens it for the
    // row's tag at the button's left edge.
    void symbolButtonClick();
    void popupDidClose() override { refreshTagSymbol(); }
    // The tag's symbol in its colour; unchanged when no image has that name.
    void refreshTagSymbol();

private:
    iconTag::Ptr tag_;
};

}  // namespace frelt
