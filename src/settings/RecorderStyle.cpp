#include "settings/RecorderStyle.h"

namespace frelt {

void applyDefaultStyle(RecordView& recorder, const std::shared_ptr<RecordViewDelegate>& delegate) {
    using platform::Color;
    recorder.setDelegate(delegate);
    recorder.setClearButtonMode(ClearButtonMode::whenRecorded);
    recorder.setBackgroundColor(Color::named("System", "textBackgroundColor", Color::white()));
    recorder.setBorderColor(Color::calibratedWhite(2.0 / 3.0));
    recorder.setBorderWidth(1.0);
    recorder.setCornerRadius(4.0);
    recorder.setTintColor(Color::named("System", "controlAccentColor", Color::sRGB(0.0, 0.478, 1.0)));
    recorder.setNeedsDisplay(true);
}

}  // namespace frelt
