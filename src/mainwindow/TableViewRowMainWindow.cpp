#include "mainwindow/TableViewRowMainWindow.h"

#include "app/AppDelegate.h"
#include "mainwindow/MainWindowFocus.h"
#include "mainwindow/TableViewCellMainWindow.h"
#include "platform/appkit/BezierPath.h"
#include "platform/appkit/GraphicsContext.h"

#include <algorithm>

namespace frelt {

namespace {

bool showsColor(const std::optional<platform::Color>& color) { return color && !(*color == platform::Color::clear()); }

}  // namespace

TableViewRowMainWindow::TableViewRowMainWindow(platform::Rect frame) : platform::TableRowView(frame) {}

const std::shared_ptr<DrawnMainViewBackground>& TableViewRowMainWindow::backgroundView() {
    if (!backgroundView_) backgroundView_ = std::make_shared<DrawnMainViewBackground>();
    return backgroundView_;
}

bool TableViewRowMainWindow::configure(const TableViewItem::Ptr& entry) {
    if (!entry) return false;
    item_ = entry;
    std::shared_ptr<platform::View> cell;
    for (const auto& subview : subviews()) {
        if (std::dynamic_pointer_cast<TableViewCellMainWindow>(subview)) {
            cell = subview;
            break;
        }
    }
    // Again for a reused row: the same view only moves.
    addSubview(backgroundView(), platform::WindowOrderingMode::below, cell);
    setAutoresizesSubviews(true);
    setLayerContentsRedrawPolicy(platform::LayerContentsRedrawPolicy::onSetNeedsDisplay);
    setBackgroundColor(platform::Color::clear());
    setColor(entry->color());
    return true;
}

void TableViewRowMainWindow::setColor(const std::optional<platform::Color>& color) {
    const auto& background = backgroundView();
    if (showsColor(color)) {
        background->setColor(color);
        background->setAlphaColor(AppDelegate::shared()->config->entryBackgroundAlphaValue);
        background->setHidden(false);
        layoutBackgroundView();
        background->setNeedsDisplay(true);
    } else {
        background->setColor(platform::Color::clear());
        background->setAlphaColor(0);
        background->setHidden(true);
    }
}

void TableViewRowMainWindow::setCurrentSelectionStyle(RowSelection style) {
    if (style == currentSelectionStyle_) return;
    currentSelectionStyle_ = style;
    selectionStyleChanged();
}

void TableViewRowMainWindow::selectionStyleChanged() {
    const auto entry = item();
    if (!entry) return;
    setColor(entry->color());
    setDrawBackground(currentSelectionStyle_ != RowSelection::selectedAndFocused);
}

void TableViewRowMainWindow::setDrawBackground(bool draw) {
    const auto& background = backgroundView();
    if (background->drawBackground() == draw) return;
    background->setDrawBackground(draw);
    background->setNeedsDisplay(true);
}

void TableViewRowMainWindow::layoutBackgroundView() {
    const auto& background = backgroundView();
    if (!showsColor(background->color())) return;
    const platform::Rect row = bounds();
    const double width = row.width() - 2 * backgroundInset;
    const platform::Rect frame = background->frame();
    if (frame.width() != width || frame.height() != row.height())
        background->setFrame(platform::Rect(backgroundInset, 0, width, row.height()));
}

bool TableViewRowMainWindow::isEmphasized() const {
    if (currentFirstResponderKind() == FirstResponderKind::searchField) return true;
    return platform::TableRowView::isEmphasized();
}

void TableViewRowMainWindow::setEmphasized(bool emphasized) {
    if (currentFirstResponderKind() == FirstResponderKind::searchField) emphasized = true;
    platform::TableRowView::setEmphasized(emphasized);
}

void TableViewRowMainWindow::drawSelectionInRect(const platform::Rect&) {
    const platform::Color colour =
        isEmphasized() ? platform::Color::named("System", "selectedContentBackgroundColor", platform::Color::sRGB(0, 0.39, 0.88))
                       : platform::Color::named("System", "unemphasizedSelectedContentBackgroundColor",
                                                platform::Color::sRGB(0.86, 0.86, 0.86));
    const platform::Rect b = bounds();
    const platform::Rect area(backgroundInset, 0, std::max(0.0, b.width() - 2 * backgroundInset), b.height());
    platform::setFillColor(colour);
    platform::BezierPath::withRoundedRect(area, 5, 5).fill();
}

void TableViewRowMainWindow::viewDidEndLiveResize() { layoutBackgroundView(); }

void TableViewRowMainWindow::resizeWithOldSuperviewSize(platform::Size) { layoutBackgroundView(); }

void TableViewRowMainWindow::setFrame(const platform::Rect& frame) {
    platform::TableRowView::setFrame(frame);
    layoutBackgroundView();
}

}  // namespace frelt
