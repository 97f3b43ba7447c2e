#include "mainwindow/MainSplitView.h"

#include <algorithm>

namespace frelt {

MainSplitView::MainSplitView(platform::Rect frame) : platform::SplitView(frame) {
    setArrangesAllSubviews(true);
    setDividerStyle(platform::SplitViewDividerStyle::thin);
}

void MainSplitView::didAddSubview(const std::shared_ptr<platform::View>& subview) {
    platform::SplitView::didAddSubview(subview);
    const auto& panes = subviews();
    if (!panes.empty() && panes.front() == subview) setMinimumThickness(subview, minWidthLeft);
    else setMinimumThickness(subview, minWidthRight);
}

void MainSplitView::setFrame(const platform::Rect& frame) {
    const auto& panes = subviews();
    if (panes.size() != 2) {
        platform::SplitView::setFrame(frame);
        return;
    }
    // The sidebar keeps its width; the divider rule then keeps both panes
    // at their minimum where the room allows.
    const double sidebarWidth = panes.front()->frame().width();
    platform::View::setFrame(frame);
    const double height = frame.height();
    panes.front()->setFrame(platform::Rect(0, 0, sidebarWidth, height));
    panes.back()->setFrame(platform::Rect(sidebarWidth, 0, std::max(0.0, frame.width() - sidebarWidth), height));
    setPosition(sidebarWidth, 0);
}

}  // namespace frelt
