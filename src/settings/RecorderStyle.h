#pragma once
// The common look of the shortcut recorders in the configuration window, its
// dialogs and the main window's popups.

#include <memory>

#include "hotkeys/RecordView.h"

namespace frelt {

// Sets `delegate` and the common style: the clear button only while a
// combination is recorded, the text background, a light grey border of one
// point, corners of 4 points and the accent colour as tint; then redraws.
void applyDefaultStyle(RecordView& recorder, const std::shared_ptr<RecordViewDelegate>& delegate);

}  // namespace frelt
