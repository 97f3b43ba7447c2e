#include "platform/appkit/SegmentedControl.h"

#include <algorithm>

#include "platform/appkit/GraphicsContext.h"

namespace platform {

SegmentedControl::SegmentedControl(Rect frame) : Control(frame) {}

void SegmentedControl::setSegmentCount(long count) {
    segments_.resize(static_cast<std::size_t>(std::max(0L, count)));
    if (selectedSegment_ >= segmentCount()) selectedSegment_ = -1;
    setNeedsDisplay(true);
}

std::string SegmentedControl::labelForSegment(long s) const { return valid(s) ? segments_[s].label : std::string(); }
void SegmentedControl::setLabel(std::string label, long s) { if (valid(s)) segments_[s].label = std::move(label); }
std::string SegmentedControl::imageNameForSegment(long s) const { return valid(s) ? segments_[s].imageName : std::string(); }
void SegmentedControl::setImageName(std::string name, long s) { if (valid(s)) segments_[s].imageName = std::move(name); }
double SegmentedControl::widthForSegment(long s) const { return valid(s) ? segments_[s].width : 0; }
void SegmentedControl::setWidth(double width, long s) { if (valid(s)) segments_[s].width = width; }
long SegmentedControl::tagForSegment(long s) const { return valid(s) ? segments_[s].tag : 0; }
void SegmentedControl::setTag(long tag, long s) { if (valid(s)) segments_[s].tag = tag; }
std::string SegmentedControl::toolTipForSegment(long s) const { return valid(s) ? segments_[s].toolTip : std::string(); }
void SegmentedControl::setToolTip(std::string tip, long s) { if (valid(s)) segments_[s].toolTip = std::move(tip); }
bool SegmentedControl::isEnabledForSegment(long s) const { return valid(s) && segments_[s].enabled; }
void SegmentedControl::setEnabled(bool enabled, long s) { if (valid(s)) segments_[s].enabled = enabled; }
std::shared_ptr<Menu> SegmentedControl::menuForSegment(long s) const { return valid(s) ? segments_[s].menu : nullptr; }
void SegmentedControl::setMenu(std::shared_ptr<Menu> menu, long s) { if (valid(s)) segments_[s].menu = std::move(menu); }

bool SegmentedControl::isSelectedForSegment(long s) const { return valid(s) && segments_[s].selected; }

void SegmentedControl::setSelected(bool selected, long s) {
    if (!valid(s)) return;
    if (selected && trackingMode_ != SegmentSwitchTracking::selectAny)
        for (auto& seg : segments_) seg.selected = false;
    segments_[s].selected = selected;
    if (selected) selectedSegment_ = s;
    else if (selectedSegment_ == s) {
        selectedSegment_ = -1;
        for (long i = segmentCount() - 1; i >= 0; --i)
            if (segments_[i].selected) { selectedSegment_ = i; break; }
    }
    setNeedsDisplay(true);
}

void SegmentedControl::setSelectedSegment(long s) {
    if (s < 0) {
        for (auto& seg : segments_) seg.selected = false;
        selectedSegment_ = -1;
        return;
    }
    setSelected(true, s);
}

bool SegmentedControl::selectSegmentWithTag(long tag) {
    for (long i = 0; i < segmentCount(); ++i)
        if (segments_[i].tag == tag) {
            setSelectedSegment(i);
            return true;
        }
    return false;
}

std::vector<double> SegmentedControl::segmentWidths() const {
    double fixed = 0;
    long flexible = 0;
    for (const auto& s : segments_) {
        if (s.width > 0) fixed += s.width;
        else ++flexible;
    }
    const double share = flexible ? std::max(0.0, bounds().width() - fixed) / static_cast<double>(flexible) : 0;
    std::vector<double> widths;
    for (const auto& s : segments_) widths.push_back(s.width > 0 ? s.width : share);
    return widths;
}

long SegmentedControl::segmentAtPoint(Point p) const {
    const Rect b = bounds();
    if (!b.contains(p) || segments_.empty()) return -1;
    double x = b.minX();
    const auto widths = segmentWidths();
    for (long i = 0; i < segmentCount(); ++i) {
        if (p.x >= x && p.x < x + widths[std::size_t(i)]) return i;
        x += widths[std::size_t(i)];
    }
    return -1;
}

void SegmentedControl::drawRect(const Rect&) {
    auto* context = GraphicsContext::current();
    if (!context) return;
    ControlDrawing d = controlDrawing(ControlKind::segmentedControl);
    d.segmentWidths = segmentWidths();
    for (const auto& s : segments_) {
        d.segmentLabels.push_back(s.label);
        d.segmentSelected.push_back(s.selected);
    }
    context->drawControl(d, bounds());
}

void SegmentedControl::mouseDown(const Event& event) {
    if (!isEnabled()) return;
    pressedSegment_ = segmentAtPoint(locationOf(event));
    if (!isEnabledForSegment(pressedSegment_)) pressedSegment_ = -1;
    if (pressedSegment_ >= 0) Control::mouseDown(event);
}

void SegmentedControl::mouseUp(const Event& event) {
    const long s = pressedSegment_;
    pressedSegment_ = -1;
    if (s < 0 || segmentAtPoint(locationOf(event)) != s) {
        cancelMouseTracking();
        return;
    }
    switch (trackingMode_) {
        case SegmentSwitchTracking::selectOne: setSelectedSegment(s); break;
        case SegmentSwitchTracking::selectAny: setSelected(!isSelectedForSegment(s), s); break;
        default: selectedSegment_ = s; break;  // momentary: remembered for the action, not shown
    }
    Control::mouseUp(event);
}

}  // namespace platform
