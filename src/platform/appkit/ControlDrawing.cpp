#include "platform/appkit/ControlDrawing.h"

#include "platform/appkit/BezierPath.h"

namespace platform {

const char* controlKindName(ControlKind kind) {
    switch (kind) {
        case ControlKind::pushButton: return "pushButton";
        case ControlKind::checkBox: return "checkBox";
        case ControlKind::radioButton: return "radioButton";
        case ControlKind::slider: return "slider";
        case ControlKind::textFieldBezel: return "textFieldBezel";
        case ControlKind::searchFieldBezel: return "searchFieldBezel";
        case ControlKind::popUpButton: return "popUpButton";
        case ControlKind::segmentedControl: return "segmentedControl";
        case ControlKind::scroller: return "scroller";
        case ControlKind::tableHeader: return "tableHeader";
        case ControlKind::disclosureTriangle: return "disclosureTriangle";
        case ControlKind::focusRing: return "focusRing";
    }
    return "control";
}

std::string ControlDrawing::description() const {
    std::string s = controlKindName(kind);
    if (!title.empty()) s += " \"" + title + "\"";
    if (!enabled) s += " disabled";
    if (pressed) s += " pressed";
    if (focused) s += " focused";
    if (isDefault) s += " default";
    if (!active) s += " inactive";
    if (state == ControlStateValue::on) s += " on";
    if (state == ControlStateValue::mixed) s += " mixed";
    if (!bordered) s += " borderless";
    if (kind == ControlKind::slider)
        s += " " + formatNumber(value) + " of " + formatNumber(minValue) + "..." + formatNumber(maxValue);
    if (kind == ControlKind::scroller) s += " at " + formatNumber(value) + " showing " + formatNumber(knobProportion);
    if (vertical) s += " vertical";
    for (std::size_t i = 0; i < segmentLabels.size(); ++i) {
        s += i ? ", " : " [";
        s += segmentLabels[i];
        if (i < segmentSelected.size() && segmentSelected[i]) s += "*";
        if (i + 1 == segmentLabels.size()) s += "]";
    }
    for (std::size_t i = 0; i < sectionTitles.size(); ++i) {
        s += i ? ", " : " [";
        s += sectionTitles[i];
        if (long(i) == sortedSection) s += sortAscending ? " ^" : " v";
        if (i + 1 == sectionTitles.size()) s += "]";
    }
    return s;
}

}  // namespace platform
