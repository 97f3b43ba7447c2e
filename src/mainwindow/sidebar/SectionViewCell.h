#pragma once
// The two cells of the sidebar: a header row's name ("HeaderCell"), and an
// entry row's icon, caption and, for a tag, its number of entries
// ("IconCell"). The entry cell refreshes its subviews from its item when it
// is bound and at every drawing pass, so a tag's new symbol, colour or count
// shows at the next redraw. Its caption is edited in place: a double click on a tag's name
// lets the user rename the tag, as the full "|" path.

#include <memory>
#include <optional>
#include <string>

#include "drawing/controls/CustomTextField.h"
#include "mainwindow/sidebar/SourceListItem.h"
#include "platform/appkit/TableRowView.h"
#include "platform/graphics/Font.h"

namespace platform {
class Button;
class ImageView;
class TableView;
class TextField;
}  // namespace platform

namespace frelt {

class iconTag;

class SectionViewCellHeader : public platform::TableCellView {
public:
    static constexpr const char* identifier = "HeaderCell";

    using TableCellView::TableCellView;

    std::weak_ptr<platform::TextField> headerTextField;
};

class SectionViewCellEntry : public platform::TableCellView, public CustomTextFieldDelegate {
public:
    static constexpr const char* identifier = "IconCell";
    // The longest name typed into the caption.
    static constexpr long captionMaxLength = 70;

    using TableCellView::TableCellView;

    SourceListItem::Ptr assignedItem;
    // The registry's tag of the item; none when the registry holds none.
    std::weak_ptr<iconTag> assignedIconTag;
    std::optional<platform::Font> textFont;
    // Width and height of the icon, in points.
    std::optional<double> iconSize;

    std::weak_ptr<CustomEditableTextLabel> textFieldCellCaption;
    std::weak_ptr<platform::ImageView> imageViewCellIcon;
    std::weak_ptr<platform::Button> buttonUsageCounter;

    // Binds the item: the caption shows its name (editable for a tag only)
    // and drops pass through caption and icon to the sidebar.
    void configure(const SourceListItem::Ptr& item);
    // Refreshes icon, font, icon size and the counter from the item; draws
    // nothing itself.
    void drawRect(const platform::Rect& dirtyRect) override;
    // What drawRect does. Each part changes only what differs, so a cell
    // that shows its item already marks nothing for another repaint.
    void refreshSubviews();
    // Renames the tag from the caption's old to its new name, each as the
    // full path through the tag folders above; false when refused.
    bool textFieldValueChanged(const std::string& oldValue, const std::string& newValue) override;

    void setFrame(const platform::Rect& frame) override;
    // Places icon, caption and counter in the cell.
    void placeSubviews();
};

// Registers the factories of the two cells on the sidebar's outline.
void registerSectionViewCells(platform::TableView& outline);

}  // namespace frelt
