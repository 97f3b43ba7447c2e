#pragma once
// The controls the settings panes are built from, placed by frame (y grows
// downwards), each sending its action to the pane.

#include <memory>
#include <string>

#include "platform/appkit/Button.h"
#include "platform/appkit/PopUpButton.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/View.h"

namespace frelt {
class Configuration;
}

namespace frelt::settingslayout {

// The settings the panes show and change.
Configuration& config();

// A label of one line.
std::shared_ptr<platform::TextField> addLabel(platform::View& parent, const std::string& text, platform::Rect frame,
                                              bool bold = false);
// A checkbox; `action` may be empty for one the pane only reads.
std::shared_ptr<platform::Button> addCheckbox(platform::View& parent, const std::string& title, platform::Rect frame,
                                              const std::shared_ptr<platform::Object>& target,
                                              const char* action = nullptr);
std::shared_ptr<platform::PopUpButton> addPopUp(platform::View& parent, platform::Rect frame);

inline bool isOn(const platform::Button& checkbox) { return checkbox.state() == platform::ControlStateValue::on; }
inline platform::ControlStateValue stateFor(bool on) {
    return on ? platform::ControlStateValue::on : platform::ControlStateValue::off;
}

}  // namespace frelt::settingslayout
