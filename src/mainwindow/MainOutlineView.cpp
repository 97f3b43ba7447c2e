#include "mainwindow/MainOutlineView.h"

#include "app/AppDelegate.h"
#include "drawing/controls/CustomTextField.h"
#include "mainwindow/sidebar/SectionViewCell.h"
#include "mainwindow/sidebar/SectionViewPopup.h"
#include "platform/appkit/Popover.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/RunLoop.h"
#include "store/Logging.h"

namespace frelt {

MainOutlineView::MainOutlineView(platform::Rect frame)
    : SpringLoadingOutlineView(frame),
      outlineViewStructure(ItemArray::create()),
      popupMenu(std::make_shared<SectionViewPopupManager>()),
      hoverRowTimer(platform::Timer::make(platform::dispatch::seconds(hoverDelay), false, nullptr)) {
    setDraggingDestinationFeedbackStyle(platform::TableViewDraggingDestinationFeedbackStyle::regular);
    registerSectionViewCells(*this);
    popupMenu->setupPopover();
}

MainOutlineView::~MainOutlineView() {
    unregisterDraggedTypes();
    hoverRowTimer->invalidate();
}

SourceListItem::Ptr MainOutlineView::itemAtRowIfSidebarItem(long row) const {
    return std::dynamic_pointer_cast<SourceListItem>(itemAtRow(row));
}

SourceListItem::Ptr MainOutlineView::selectedSidebarItem() const { return itemAtRowIfSidebarItem(selectedRow()); }

long MainOutlineView::rowAtEvent(const platform::Event& event) const {
    return rowAtPoint(convertPointFromWindow(event.locationInWindow));
}

// --- geometry: entry rows stand further left

platform::Rect MainOutlineView::frameOfCellAtColumn(long column, long row) const {
    platform::Rect frame = SpringLoadingOutlineView::frameOfCellAtColumn(column, row);
    const auto item = itemAtRowIfSidebarItem(row);
    if (!item || item->itemType() != SourceListItemType::entry) return frame;
    return platform::Rect(frame.minX() - entryRowShift, frame.minY(), frame.width() + entryRowShift, frame.height());
}

platform::Rect MainOutlineView::frameOfOutlineCellAtRow(long row) const {
    platform::Rect frame = SpringLoadingOutlineView::frameOfOutlineCellAtRow(row);
    const auto item = itemAtRowIfSidebarItem(row);
    if (!item || item->itemType() != SourceListItemType::entry) return frame;
    return platform::Rect(frame.minX() - entryRowShift, frame.minY(), frame.width() + entryRowShift, frame.height());
}

// --- mouse

void MainOutlineView::mouseDown(const platform::Event& event) {
    if (event.type == platform::EventType::rightMouseDown || (event.modifierFlags & platform::modifierflags::control)) {
        showContextMenu(event);
        return;
    }
    SpringLoadingOutlineView::mouseDown(event);
}

void MainOutlineView::rightMouseDown(const platform::Event& event) { showContextMenu(event); }

bool MainOutlineView::validateProposedFirstResponder(const std::shared_ptr<platform::Responder>& responder,
                                                     const platform::Event* event) {
    // A caption takes the double click that makes it editable, and its clicks
    // while it is edited; a single click selects the row, as anywhere else.
    if (const auto label = std::dynamic_pointer_cast<CustomEditableTextLabel>(responder);
        label && (label->isEditable() || (event && event->clickCount >= 2)))
        return true;
    return SpringLoadingOutlineView::validateProposedFirstResponder(responder, event);
}

void MainOutlineView::updateHoverTrackingArea() {
    for (const auto& area : std::vector(trackingAreas())) removeTrackingArea(area);
    if (!AppDelegate::shared()->config->selectTagsAndCategoriesOnHover) return;
    namespace area = platform::trackingarea;
    addTrackingArea(std::make_shared<platform::TrackingArea>(
        frame(), area::mouseEnteredAndExited | area::mouseMoved | area::activeAlways | area::inVisibleRect,
        std::static_pointer_cast<platform::Responder>(shared_from_this())));
}

void MainOutlineView::mouseMoved(const platform::Event& event) {
    if (!AppDelegate::shared()->config->selectTagsAndCategoriesOnHover) return;
    const long row = rowAtEvent(event);
    if (row == hoverRowIndex) return;
    hoverRowIndex = row;
    hoverRowTimer->invalidate();
    std::weak_ptr<MainOutlineView> weak = std::static_pointer_cast<MainOutlineView>(shared_from_this());
    hoverRowTimer = platform::Timer::scheduled(hoverDelay, false, [weak](platform::Timer&) {
        if (auto self = weak.lock()) self->timedHoverAction();
    });
}

void MainOutlineView::mouseExited(const platform::Event&) { hoverRowTimer->invalidate(); }

void MainOutlineView::timedHoverAction() { selectItemWithIndex(hoverRowIndex); }

// --- the context click

void MainOutlineView::showContextMenu(const platform::Event& event) {
    const long row = rowAtEvent(event);
    if (row < 0) return;
    const auto item = itemAtRowIfSidebarItem(row);
    const auto cell = viewAtColumn(0, row, false);
    if (!item || !cell) return;
    if (item->itemContentType() != SourceListItemContentType::tag || item->tag().empty()) return;
    log(LogCategory::mainSectionView, LogLevel::Default, "Show context-menu for: %{public}@", std::to_string(row));
    if (row != selectedRow()) selectRowIndexes(platform::IndexSet{row}, false);
    if (popupMenu->sectionViewPopover->isShown()) return;
    if (auto w = window()) w->makeFirstResponder(std::static_pointer_cast<platform::Responder>(shared_from_this()));
    setNeedsDisplay(true);
    // The row under the click: the kit's clicked row is not set, since the
    // outline's own handling of the click is skipped.
    popupMenu->showSectionPopup(cell, item, row);
}

// --- lookups

std::optional<SourceListItemContentType> MainOutlineView::selectedItemContentType() const {
    const auto item = selectedSidebarItem();
    if (!item) return std::nullopt;
    return item->itemContentType();
}

bool MainOutlineView::isTagSelected() const {
    const auto item = selectedSidebarItem();
    return item && item->itemContentType() == SourceListItemContentType::tag;
}

std::optional<std::string> MainOutlineView::selectedTagName() const {
    const auto item = selectedSidebarItem();
    if (!item || item->itemContentType() != SourceListItemContentType::tag) return std::nullopt;
    return item->tag();
}

namespace {

bool isHeader(SourceListItemContentType type) {
    return type == SourceListItemContentType::headerCategories || type == SourceListItemContentType::headerTags;
}

}  // namespace

bool MainOutlineView::isHeaderCollapsed(SourceListItemContentType contentType) {
    if (outlineViewStructure->isEmpty() || !isHeader(contentType)) return false;
    for (const auto& root : *outlineViewStructure->snapshot())
        if (root->itemContentType() == contentType) return !isItemExpanded(root);
    return false;
}

void MainOutlineView::setHeaderExpanded(SourceListItemContentType contentType, bool expanded) {
    if (outlineViewStructure->isEmpty() || !isHeader(contentType)) return;
    for (const auto& root : *outlineViewStructure->snapshot()) {
        if (root->itemContentType() != contentType) continue;
        if (expanded && !isItemExpanded(root)) expandItem(root, true);
        else if (!expanded && isItemExpanded(root)) collapseItem(root);
    }
}

}  // namespace frelt
