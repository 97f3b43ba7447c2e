#pragma once
// The row and cell views of view-based tables and outlines.
//
// A row view holds the cells of one row. It is selected while its row is,
// and emphasised while its table is first responder; whenever either
// changes, it calls setBackgroundStyle on each of its cells: emphasised
// while selected and emphasised, otherwise normal. A cell added to a row gets
// the row's style at once.

#include <memory>
#include <optional>
#include <vector>

#include "platform/appkit/DraggingInfo.h"
#include "platform/appkit/View.h"
#include "platform/graphics/Color.h"

namespace platform {

class ImageView;
class TextField;

// Raw values as on the platform.
enum class BackgroundStyle : int { normal = 0, emphasized = 1, raised = 2, lowered = 3 };
enum class TableViewSelectionHighlightStyle : int { none = -1, regular = 0, sourceList = 1 };

class TableCellView : public View {
public:
    explicit TableCellView(Rect frame = {}) : View(frame) {}

    BackgroundStyle backgroundStyle() const { return backgroundStyle_; }
    // The row calls it when its selection or emphasis changes.
    virtual void setBackgroundStyle(BackgroundStyle style);
    std::shared_ptr<TextField> textField() const { return textField_.lock(); }
    void setTextField(const std::shared_ptr<TextField>& f) { textField_ = f; }
    std::shared_ptr<ImageView> imageView() const { return imageView_.lock(); }
    void setImageView(const std::shared_ptr<ImageView>& v) { imageView_ = v; }

    // The picture of the cell while it is dragged: its image view's image
    // (key "icon") and a snapshot of its text field (key "label"), each at
    // its frame in the cell.
    virtual std::vector<DraggingImageComponent> draggingImageComponents();

private:
    BackgroundStyle backgroundStyle_ = BackgroundStyle::normal;
    std::weak_ptr<TextField> textField_;
    std::weak_ptr<ImageView> imageView_;
};

class TableRowView : public View {
public:
    explicit TableRowView(Rect frame = {}) : View(frame) {}

    bool isSelected() const { return selected_; }
    virtual void setSelected(bool selected);
    virtual bool isEmphasized() const { return emphasized_; }
    virtual void setEmphasized(bool emphasized);
    bool isGroupRowStyle() const { return groupRowStyle_; }
    void setGroupRowStyle(bool b) { groupRowStyle_ = b; }
    TableViewSelectionHighlightStyle selectionHighlightStyle() const { return highlightStyle_; }
    void setSelectionHighlightStyle(TableViewSelectionHighlightStyle s) { highlightStyle_ = s; }
    const std::optional<Color>& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::optional<Color> c);
    // Emphasised while selected and emphasised, else normal.
    BackgroundStyle interiorBackgroundStyle() const;

    // The cell of a column (the table places cells in column order).
    std::shared_ptr<View> viewAtColumn(long column) const;
    long numberOfColumns() const { return long(cells_.size()); }

    // Background colour, then the selection highlight when selected.
    void drawRect(const Rect& dirtyRect) override;
    virtual void drawBackgroundInRect(const Rect& dirtyRect);
    virtual void drawSelectionInRect(const Rect& dirtyRect);

    // --- kit internals, used by the table
    void setCells(std::vector<std::shared_ptr<View>> cells) { cells_ = std::move(cells); }
    const std::vector<std::shared_ptr<View>>& cells() const { return cells_; }
    void didAddSubview(const std::shared_ptr<View>& subview) override;
    // Tells every cell the current interior style.
    void updateCellBackgroundStyles();

private:
    bool selected_ = false;
    bool emphasized_ = false;
    bool groupRowStyle_ = false;
    TableViewSelectionHighlightStyle highlightStyle_ = TableViewSelectionHighlightStyle::regular;
    std::optional<Color> backgroundColor_;
    std::vector<std::shared_ptr<View>> cells_;
};

}  // namespace platform
