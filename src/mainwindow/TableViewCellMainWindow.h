#pragma once
// The view of one entry in the main entry table: the icon (for a tag entry a
// tag background with the tag's symbol and, by the modifier keys, an execute
// badge), the name with the search text underlined, a second line (the
// comment with the search text underlined, the path, or for a tag entry what
// opening it does), a hotkey button (the entry's hotkey, the Return glyph on
// the focused selection, or a quick-launch number 1 to 9 while Command is
// held) and a dot when the entry is a running application.
//
// The cell takes its texts, colours and badges from the entry, the settings
// and the modifier keys whenever one of them changes: when it is bound to an
// entry, when its row's selection or the focus changes, when the modifier
// keys change, and when the table redraws it (a filter run that kept the
// list, a setting). Only what really changed is redrawn; drawing itself
// changes nothing, so an idle window paints nothing.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/Button.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/TableRowView.h"
#include "platform/appkit/TextField.h"
#include "platform/graphics/AttributedString.h"
#include "store/TableViewItem.h"

namespace frelt {

// A label that shows styled text (the underlined search match) when it has
// some, and its plain value otherwise.
class EntryCellTextField : public platform::TextField {
public:
    explicit EntryCellTextField(platform::Rect frame = {});

    const std::optional<platform::AttributedString>& attributedText() const { return attributedText_; }
    // Redraws only when the text differs.
    void setAttributedText(std::optional<platform::AttributedString> text);
    // The plain value; redraws only when it differs.
    void setTextIfChanged(const std::string& text);
    void setTextColorIfChanged(const std::optional<platform::Color>& color);

    void drawRect(const platform::Rect& dirtyRect) override;

private:
    std::optional<platform::AttributedString> attributedText_;
};

class TableViewCellMainWindow : public platform::TableCellView {
public:
    enum class CellSelection { selectedAndFocused, selectedWithoutFocus, notSelected };

    static constexpr const char* identifierDefault = "TableViewCellMainWindow_Default";
    static constexpr const char* identifierSmall = "TableViewCellMainWindow_Small";
    // U+21A9 and the text presentation selector.
    static constexpr const char* returnKeyGlyph = "\u21A9\uFE0E";

    explicit TableViewCellMainWindow(platform::Rect frame = {});

    // Outlets, connected by the scene.
    std::weak_ptr<platform::ImageView> image;
    std::weak_ptr<platform::ImageView> imageOverlay;
    std::weak_ptr<platform::ImageView> imageBadge;
    std::weak_ptr<EntryCellTextField> displayname;
    std::weak_ptr<EntryCellTextField> path;
    std::weak_ptr<platform::Button> hotkey;
    std::weak_ptr<platform::ImageView> activeIndicator;

    std::weak_ptr<TableViewItem> item;
    // The cell's row, set by the data source.
    long itemIndex = -1;
    bool controlKeyActive = false;
    bool optionKeyActive = false;
    bool commandKeyActive = false;
    bool shiftKeyActive = false;
    CellSelection currentSelectionStyle = CellSelection::notSelected;
    std::optional<platform::AttributedString> currentDisplaynameAttributedString;
    std::optional<platform::AttributedString> currentCommentAttributedString;
    std::optional<std::string> currentSearchText;

    // Binds the entry: its icons (taken once here) and name; false without one.
    bool configure(const TableViewItem::Ptr& entry);
    // The row index as the data source sets it; the quick-launch number
    // follows.
    void setItemIndex(long index);
    // The modifier keys held; answers whether any changed (the cell then
    // shows the numbers or the tag action they call for).
    bool setModifierKeys(bool control, bool option, bool command, bool shift);
    // Takes everything shown but the icons from the entry, the settings, the
    // search text and the keys again; views whose content changed redraw.
    void refreshContent();

    // The row's selection decides the style; the row's emphasis follows the
    // focus (always on while the search field has it).
    void setBackgroundStyle(platform::BackgroundStyle style) override;
    void updateSelectionStyle();

    // The text with the first occurrence of the search text (letter case
    // ignored) underlined, truncated at the tail; none without a text.
    static std::optional<platform::AttributedString> highlightedString(const std::optional<std::string>& text,
                                                                       const std::optional<std::string>& searchText);

    // Positions the icon, texts, hotkey button and indicator in the bounds.
    void layout() override;
    void setFrame(const platform::Rect& frame) override;
    // The whole row as the picture of a dragged entry.
    std::vector<platform::DraggingImageComponent> draggingImageComponents() override;

private:
    void buildHighlightedStrings();
    void updateTagBadge(const TableViewItem& entry);
    void updatePathTextColor(const TableViewItem& entry);
    void updateActiveIndicator(const TableViewItem& entry);
    void updateHotkeyButton(const TableViewItem& entry);
    void updateDisplayname(const TableViewItem& entry);
    void updateSecondLine(const TableViewItem& entry);
    void pushSelectionStyleToRow();
    bool isSmall() const;

    std::shared_ptr<platform::Image> tintedIndicator_;
    bool secondLineShown_ = false;
};

}  // namespace frelt
