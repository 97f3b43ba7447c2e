#include "platform/appkit/TableRowView.h"

#include <algorithm>

#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/TextField.h"

namespace platform {

// --- cells

void TableCellView::setBackgroundStyle(BackgroundStyle style) {
    if (style == backgroundStyle_) return;
    backgroundStyle_ = style;
    setNeedsDisplay(true);
}

std::vector<DraggingImageComponent> TableCellView::draggingImageComponents() {
    std::vector<DraggingImageComponent> components;
    if (auto iv = imageView(); iv && iv->image() && iv->superview().get() == this)
        components.push_back({draggingimagecomponentkey::icon, iv->image(), iv->frame()});
    if (auto tf = textField(); tf && tf->superview().get() == this && !tf->isHidden()) {
        auto rep = tf->bitmapImageRepForCachingDisplayInRect(tf->bounds());
        tf->cacheDisplayInRect(tf->bounds(), *rep);
        components.push_back({draggingimagecomponentkey::label, Image::withRepresentation(rep), tf->frame()});
    }
    return components;
}

// --- rows

void TableRowView::setSelected(bool selected) {
    if (selected == selected_) return;
    selected_ = selected;
    updateCellBackgroundStyles();
    setNeedsDisplay(true);
}

void TableRowView::setEmphasized(bool emphasized) {
    if (emphasized == emphasized_) return;
    emphasized_ = emphasized;
    updateCellBackgroundStyles();
    setNeedsDisplay(true);
}

void TableRowView::setBackgroundColor(std::optional<Color> c) {
    backgroundColor_ = std::move(c);
    setNeedsDisplay(true);
}

BackgroundStyle TableRowView::interiorBackgroundStyle() const {
    return isSelected() && isEmphasized() ? BackgroundStyle::emphasized : BackgroundStyle::normal;
}

std::shared_ptr<View> TableRowView::viewAtColumn(long column) const {
    if (column < 0 || column >= long(cells_.size())) return nullptr;
    return cells_[std::size_t(column)];
}

void TableRowView::didAddSubview(const std::shared_ptr<View>& subview) {
    if (auto cell = std::dynamic_pointer_cast<TableCellView>(subview)) cell->setBackgroundStyle(interiorBackgroundStyle());
}

void TableRowView::updateCellBackgroundStyles() {
    // A cell may change the row's emphasis from inside the call; every cell
    // still hears the style in force when its turn comes.
    for (const auto& view : std::vector<std::shared_ptr<View>>(subviews())) {
        if (auto cell = std::dynamic_pointer_cast<TableCellView>(view)) cell->setBackgroundStyle(interiorBackgroundStyle());
    }
}

void TableRowView::drawRect(const Rect& dirtyRect) {
    drawBackgroundInRect(dirtyRect);
    if (isSelected() && highlightStyle_ != TableViewSelectionHighlightStyle::none) drawSelectionInRect(dirtyRect);
}

void TableRowView::drawBackgroundInRect(const Rect& dirtyRect) {
    if (!backgroundColor_ || backgroundColor_->alphaComponent() <= 0) return;
    setFillColor(*backgroundColor_);
    rectFill(dirtyRect);
}

void TableRowView::drawSelectionInRect(const Rect& dirtyRect) {
    (void)dirtyRect;
    const Color colour = isEmphasized()
                             ? Color::named("System", "selectedContentBackgroundColor", Color::sRGB(0, 0.39, 0.88))
                             : Color::named("System", "unemphasizedSelectedContentBackgroundColor",
                                            Color::sRGB(0.86, 0.86, 0.86));
    setFillColor(colour);
    rectFill(bounds());
}

}  // namespace platform
