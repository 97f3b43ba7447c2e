#pragma once
// An outline whose category and tag rows are spring-loaded drag targets:
// while files or links dragged in from outside rest on such a row, the row
// is selected (through the delegate) instead of being expanded. Entries
// dragged out of the program's own entry table never spring-load, so a drag
// across the sidebar selects nothing on its way.
//
// While a drag from outside is over the outline, every category entry and
// every tag (an entry row with a non-empty tag) reads as a collapsed
// expandable row: that is what makes the kit offer it as a spring-loading
// target. Tag folders (empty tag) keep their real answers.

#include <memory>

#include "mainwindow/sidebar/SourceListItem.h"
#include "platform/appkit/OutlineView.h"

namespace frelt {

class SpringLoadingOutlineViewDelegate {
public:
    virtual ~SpringLoadingOutlineViewDelegate() = default;
    // The drag rested on the row of `item` long enough.
    virtual void outlineViewSpringLoadingActivated(const SourceListItem::Ptr& item) = 0;
};

class SpringLoadingOutlineView : public platform::OutlineView {
public:
    explicit SpringLoadingOutlineView(platform::Rect frame = {}) : OutlineView(frame) {}

    // True from the entry of an outside drag until it leaves.
    bool springLoadingActive = false;
    std::weak_ptr<SpringLoadingOutlineViewDelegate> springLoadingOutlineViewDelegate;

    // Takes the keyboard focus, then answers as the outline does.
    platform::DragOperation draggingEntered(const std::shared_ptr<platform::DraggingInfo>& info) override;
    // Enabled, except for an entry dragged out of the entry table.
    platform::SpringLoadingOptions springLoadingEntered(const std::shared_ptr<platform::DraggingInfo>& info) override;
    // Hands the item under the drag to the delegate.
    void springLoadingActivated(bool activated, const std::shared_ptr<platform::DraggingInfo>& info) override;
    void springLoadingExited(const std::shared_ptr<platform::DraggingInfo>& info) override;
    void springLoadingHighlightChanged(const std::shared_ptr<platform::DraggingInfo>& info) override;

    bool isExpandable(const platform::OutlineItem& item) override;
    bool isItemExpanded(const platform::OutlineItem& item) override;

private:
    // A category entry or a tag while an outside drag is over the outline.
    bool isSpringLoadingTarget(const platform::OutlineItem& item) const;
};

}  // namespace frelt
