#pragma once
// The split between the sidebar (left) and the search field with the entry
// table (right). The divider takes no room and draws nothing one can see;
// the window can be dragged by the split view's background. The sidebar
// keeps its width when the window is resized; the entry side takes the rest.

#include <optional>

#include "platform/appkit/ContainerViews.h"

namespace frelt {

class MainSplitView : public platform::SplitView {
public:
    explicit MainSplitView(platform::Rect frame = {});

    float minWidthLeft = 200.0f;
    float minWidthRight = 350.0f;

    double dividerThickness() const override { return 0.0; }
    std::optional<platform::Color> dividerColor() const override { return platform::Color::black(); }
    bool mouseDownCanMoveWindow() const override { return true; }

    // The two panes keep the minimum widths above.
    void didAddSubview(const std::shared_ptr<platform::View>& subview) override;
    void setFrame(const platform::Rect& frame) override;
};

}  // namespace frelt
