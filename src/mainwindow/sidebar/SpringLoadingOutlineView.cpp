#include "mainwindow/sidebar/SpringLoadingOutlineView.h"

#include "platform/appkit/Window.h"
#include "sources/MainTableViewItemPathPasteboardWriter.h"

namespace frelt {

platform::DragOperation SpringLoadingOutlineView::draggingEntered(const std::shared_ptr<platform::DraggingInfo>& info) {
    if (auto w = window()) w->makeFirstResponder(std::static_pointer_cast<platform::Responder>(shared_from_this()));
    return OutlineView::draggingEntered(info);
}

platform::SpringLoadingOptions SpringLoadingOutlineView::springLoadingEntered(
    const std::shared_ptr<platform::DraggingInfo>& info) {
    const auto pasteboard = info ? info->draggingPasteboard() : nullptr;
    if (pasteboard && pasteboard->availableTypeFromArray({mainTableViewItemPathPasteboardType()})) {
        springLoadingActive = false;
        return platform::springloading::disabled;
    }
    springLoadingActive = true;
    return platform::springloading::enabled;
}

void SpringLoadingOutlineView::springLoadingActivated(bool activated,
                                                      const std::shared_ptr<platform::DraggingInfo>& info) {
    const auto delegate = springLoadingOutlineViewDelegate.lock();
    if (!activated || !delegate || !info) return;
    const long row = rowAtPoint(convertPointFromWindow(info->draggingLocation()));
    if (row < 0) return;
    if (auto item = std::dynamic_pointer_cast<SourceListItem>(itemAtRow(row)))
        delegate->outlineViewSpringLoadingActivated(item);
}

void SpringLoadingOutlineView::springLoadingExited(const std::shared_ptr<platform::DraggingInfo>&) {
    springLoadingActive = false;
}

void SpringLoadingOutlineView::springLoadingHighlightChanged(const std::shared_ptr<platform::DraggingInfo>&) {}

bool SpringLoadingOutlineView::isSpringLoadingTarget(const platform::OutlineItem& item) const {
    if (!springLoadingActive) return false;
    const auto entry = std::dynamic_pointer_cast<SourceListItem>(item);
    return entry && entry->itemType() == SourceListItemType::entry && !entry->tag().empty();
}

bool SpringLoadingOutlineView::isExpandable(const platform::OutlineItem& item) {
    return isSpringLoadingTarget(item) || OutlineView::isExpandable(item);
}

bool SpringLoadingOutlineView::isItemExpanded(const platform::OutlineItem& item) {
    return !isSpringLoadingTarget(item) && OutlineView::isItemExpanded(item);
}

}  // namespace frelt
