#pragma once
// The cells of the configuration window's entry table, one per column: the
// entry itself (icon, name, path, visibility or remove, colour), its tags
// with the favourite star, its hotkey, and its comment. Each is bound to its
// entry with setTableViewItem, holds it weakly and writes every change
// straight into the entry through its setters, which announce the change;
// the table reloads the row on that and binds the cells again. The cells
// keep no copy of entry data.
//
// Also here: the Tags dialog's name cell, whose text field works like the
// comment cell's.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hotkeys/RecordView.h"
#include "mainwindow/TagTableViewPopup.h"
#include "platform/appkit/TableRowView.h"
#include "platform/foundation/Value.h"
#include "store/IconTag.h"
#include "store/TableViewItem.h"

namespace platform {
class Box;
class Button;
class ImageView;
class TextField;
}  // namespace platform

namespace frelt {

class CustomTextFieldForEditingComment;
class CustomTextFieldForEditingTags;
class CustomTokenField;
class DrawnCheckBoxFavorite;

// The entry column: name, path, icon, the visibility check box (entries the
// program found) or the remove button (entries the user made), and the
// colour indicator with its button.
class TableViewCellConfigEntry : public platform::TableCellView {
public:
    static constexpr const char* identifier = "TableViewCell_Config_Entry";

    explicit TableViewCellConfigEntry(platform::Rect frame = {});

    std::weak_ptr<TableViewItem> itemData;
    std::weak_ptr<platform::TextField> displayname;
    std::weak_ptr<platform::ImageView> image;
    std::weak_ptr<platform::TextField> path;
    std::weak_ptr<platform::Button> visibleCheckbox;
    std::weak_ptr<platform::Button> removeButton;
    std::weak_ptr<platform::Box> colorIndicator;
    std::weak_ptr<platform::Button> colorButton;

    void setTableViewItem(const TableViewItem::Ptr& item);

    // "visibleCheckbox_click:": the entry is shown when the box is on.
    void visibleCheckboxClick();
    // "removeButton_click:": the entry goes to the store's trash, and the
    // data is rebuilt when it went.
    void removeButtonClick();
    // "colorButton_click:": the colour popover for the entry.
    void colorButtonClick();
};

// The hotkey column: a recorder whose combination is the entry's hotkey. A
// combination some registered hotkey has already is refused.
class TableViewCellConfigHotkey : public platform::TableCellView, public RecordViewDelegate {
public:
    static constexpr const char* identifier = "TableViewCell_Config_Hotkey";

    using TableCellView::TableCellView;

    std::weak_ptr<TableViewItem> itemData;
    std::weak_ptr<RecordView> hotkey;

    void setTableViewItem(const TableViewItem::Ptr& item);

    bool recordViewShouldBeginRecording(RecordView& recordView) override;
    bool recordViewCanRecordKeyCombo(RecordView& recordView, const KeyCombo::Ptr& keyCombo) override;
    void recordViewDidChangeKeyCombo(RecordView& recordView, const KeyCombo::Ptr& keyCombo) override;
    void recordViewDidEndRecording(RecordView& recordView) override;
};

// The tags column: the entry's tags as tokens and its favourite star.
class TableViewCellConfigTags : public platform::TableCellView {
public:
    static constexpr const char* identifier = "TableViewCell_Config_Tags";

    explicit TableViewCellConfigTags(platform::Rect frame = {});

    std::weak_ptr<TableViewItem> itemData;
    std::weak_ptr<CustomTokenField> tokenField;
    std::weak_ptr<DrawnCheckBoxFavorite> checkboxFavorite;

    void setTableViewItem(const TableViewItem::Ptr& item);
    // Shows the entry's favourite mark and tags.
    void updateControls();
    // The token field's end of editing: the non-blank tokens, as typed,
    // become the entry's tags when they differ from them.
    void tokenFieldDidEndEditing();
    // "checkboxFavoriteClick:": flips the star and the entry's mark.
    void checkboxFavoriteClick();
};

// The comment column: the comment in a field that writes it back when
// editing ends.
class TableViewCellConfigComment : public platform::TableCellView {
public:
    static constexpr const char* identifier = "TableViewCell_Config_Comment";
    static constexpr long commentMaxLength = 100;

    using TableCellView::TableCellView;

    // The entry whose comment the cell shows.
    std::weak_ptr<TableViewItem> itemData;
    std::weak_ptr<CustomTextFieldForEditingComment> commentField;

    // Makes `field` the cell's comment field: its own delegate, limited to
    // 100 characters, with this cell as its owner.
    void setUpCommentField(const std::shared_ptr<CustomTextFieldForEditingComment>& field);
    // Binds the entry and shows its comment.
    void setTableViewItem(const TableViewItem::Ptr& item);
    void setItem(const TableViewItem::Ptr& item) { setTableViewItem(item); }
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

// The tokens that become tags: those that are not blank (spaces and tabs
// only), kept as typed and in order.
std::vector<std::string> nonBlankTokens(const std::vector<std::string>& tokens);
// A token field's value for a list of tags, and the texts of a token
// field's value (none when it is not a list of texts).
platform::Value tokenFieldValue(const std::vector<std::string>& tags);
std::optional<std::vector<std::string>> tokenFieldTexts(const platform::Value& value);

}  // namespace frelt
