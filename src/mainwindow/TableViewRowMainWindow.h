#pragma once
// The row of the main entry table. It draws the entry's colour behind the
// cell (a DrawnMainViewBackground below it): a filled tint at the configured
// transparency and a colour bar, the tint left out while the row is selected
// in the focused table. While the search field has the focus, the selected
// row keeps the emphasised highlight, so it reads as the one Return opens.

#include <memory>
#include <optional>

#include "drawing/DrawnViews.h"
#include "platform/appkit/TableRowView.h"
#include "store/TableViewItem.h"

namespace frelt {

class TableViewRowMainWindow : public platform::TableRowView {
public:
    // The same three cases as the entry cell's selection style.
    enum class RowSelection { selectedAndFocused, selectedWithoutFocus, notSelected };

    static constexpr const char* identifier = "TableViewCellMainWindowBackground";
    // The tint's distance from the row's left and right edges.
    static constexpr double backgroundInset = 10.0;

    explicit TableViewRowMainWindow(platform::Rect frame = {});

    std::shared_ptr<TableViewItem> item() const { return item_.lock(); }
    // Made on first use, kept for the life of the row.
    const std::shared_ptr<DrawnMainViewBackground>& backgroundView();

    // Binds the entry and shows its colour; false without an entry.
    bool configure(const TableViewItem::Ptr& entry);

    RowSelection currentSelectionStyle() const { return currentSelectionStyle_; }
    // The entry cell copies its style here; a change re-applies the colour
    // and switches the tint off for the focused selection.
    void setCurrentSelectionStyle(RowSelection style);

    // The colour of the entry, or none (or the clear colour) for no tint.
    void setColor(const std::optional<platform::Color>& color);
    void setDrawBackground(bool draw);
    // Fits the tint to the row (inset at both sides) when it has a colour.
    void layoutBackgroundView();

    // True while the search field has the focus; otherwise the table's.
    bool isEmphasized() const override;
    void setEmphasized(bool emphasized) override;
    // The selection as a rounded area inset like the tint.
    void drawSelectionInRect(const platform::Rect& dirtyRect) override;
    void viewDidEndLiveResize() override;
    void resizeWithOldSuperviewSize(platform::Size oldSize) override;
    // The table places its rows by their frame: the tint follows.
    void setFrame(const platform::Rect& frame) override;

private:
    void selectionStyleChanged();

    std::weak_ptr<TableViewItem> item_;
    std::shared_ptr<DrawnMainViewBackground> backgroundView_;
    RowSelection currentSelectionStyle_ = RowSelection::notSelected;
};

}  // namespace frelt
