#pragma once
// A standard control as the kit asks a drawing context to draw it: which
// control, its state and what it shows. The desktop backend draws it with
// its toolkit's style, so controls look as the desktop's own do; the
// recording context writes its description.

#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/ControlState.h"

namespace platform {

enum class ControlKind {
    pushButton,
    checkBox,
    radioButton,
    slider,
    textFieldBezel,
    searchFieldBezel,
    popUpButton,
    segmentedControl,
    scroller,
    tableHeader,
    disclosureTriangle,
    focusRing,
};

const char* controlKindName(ControlKind kind);

struct ControlDrawing {
    ControlKind kind = ControlKind::pushButton;
    bool enabled = true;
    // Held down by the mouse (a pressed button, the dragged knob).
    bool pressed = false;
    // Shows the keyboard focus, or is the default button.
    bool focused = false;
    bool isDefault = false;
    // The window is key (inactive windows draw their controls dimmer).
    bool active = true;
    // Check box, radio, disclosure (on: open) and a header's sort state.
    ControlStateValue state = ControlStateValue::off;
    // A button's or header section's title, a pop-up button's selected item,
    // a text field's placeholder is not drawn here (the text is drawn as text).
    std::string title;
    // Slider: its range and value. Scroller: `value` is the position in
    // 0...1 and `knobProportion` the part of the document shown.
    double minValue = 0;
    double maxValue = 1;
    double value = 0;
    double knobProportion = 0;
    long numberOfTickMarks = 0;
    bool vertical = false;
    // Borderless buttons draw only their title.
    bool bordered = true;
    // Segmented control: one entry per segment.
    std::vector<std::string> segmentLabels;
    std::vector<double> segmentWidths;
    std::vector<bool> segmentSelected;
    // Table header: the sections' titles and widths; the sorted section and
    // whether it sorts ascending.
    std::vector<std::string> sectionTitles;
    std::vector<double> sectionWidths;
    long sortedSection = -1;
    bool sortAscending = true;

    // "pushButton \"OK\" enabled", with the state that differs from a new
    // control's.
    std::string description() const;
    bool operator==(const ControlDrawing&) const = default;
};

}  // namespace platform
