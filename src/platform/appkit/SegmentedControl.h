#pragma once
// A row of segments. A click selects by the tracking mode (one, any, or
// momentary) and sends the action.

#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/Control.h"

namespace platform {

class Image;
class Menu;

enum class SegmentSwitchTracking : int { selectOne = 0, selectAny = 1, momentary = 2, momentaryAccelerator = 3 };

class SegmentedControl : public Control {
public:
    explicit SegmentedControl(Rect frame = {});

    long segmentCount() const { return static_cast<long>(segments_.size()); }
    void setSegmentCount(long count);
    SegmentSwitchTracking trackingMode() const { return trackingMode_; }
    void setTrackingMode(SegmentSwitchTracking m) { trackingMode_ = m; }

    std::string labelForSegment(long segment) const;
    void setLabel(std::string label, long segment);
    std::string imageNameForSegment(long segment) const;
    void setImageName(std::string name, long segment);
    double widthForSegment(long segment) const;
    void setWidth(double width, long segment);
    long tagForSegment(long segment) const;
    void setTag(long tag, long segment);
    std::string toolTipForSegment(long segment) const;
    void setToolTip(std::string tip, long segment);
    bool isEnabledForSegment(long segment) const;
    void setEnabled(bool enabled, long segment);
    std::shared_ptr<Menu> menuForSegment(long segment) const;
    void setMenu(std::shared_ptr<Menu> menu, long segment);

    bool isSelectedForSegment(long segment) const;
    void setSelected(bool selected, long segment);
    // The selected segment (the last one selected in select-any mode); -1 none.
    long selectedSegment() const { return selectedSegment_; }
    void setSelectedSegment(long segment);
    bool selectSegmentWithTag(long tag);
    // The segment under `p` (control coordinates); -1 none.
    long segmentAtPoint(Point p) const;

    void mouseDown(const Event& event) override;
    void mouseUp(const Event& event) override;
    void drawRect(const Rect& dirtyRect) override;

private:
    // Each segment's width: its own, or an equal share of the rest.
    std::vector<double> segmentWidths() const;
    struct Segment {
        std::string label;
        std::string imageName;
        double width = 0;  // 0: an equal share
        long tag = 0;
        std::string toolTip;
        bool enabled = true;
        bool selected = false;
        std::shared_ptr<Menu> menu;
    };
    bool valid(long segment) const { return segment >= 0 && segment < segmentCount(); }

    std::vector<Segment> segments_;
    SegmentSwitchTracking trackingMode_ = SegmentSwitchTracking::selectOne;
    long selectedSegment_ = -1;
    long pressedSegment_ = -1;
};

}  // namespace platform
