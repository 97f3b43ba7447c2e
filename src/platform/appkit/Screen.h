#pragma once
// The displays. The backend (or a test) describes them; the kit answers which
// one is main and which one holds the mouse. Coordinates are global, y down;
// the first screen's origin is {0, 0}.

#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Geometry.h"

namespace platform {

struct ScreenDescription {
    Rect frame;
    Rect visibleFrame;  // without panels and docks
    std::string localizedName;
    double backingScaleFactor = 1;
};

class Screen {
public:
    explicit Screen(ScreenDescription d) : d_(std::move(d)) {}

    Rect frame() const { return d_.frame; }
    Rect visibleFrame() const { return d_.visibleFrame; }
    const std::string& localizedName() const { return d_.localizedName; }
    double backingScaleFactor() const { return d_.backingScaleFactor; }

    // The screen of the key window, else the first one.
    static std::shared_ptr<Screen> mainScreen();
    static std::vector<std::shared_ptr<Screen>> screens();
    // The screen whose frame holds the mouse location; none when off every one.
    static std::shared_ptr<Screen> screenWithMouse();
    // The screen that holds most of `rect`; none when it lies on none.
    static std::shared_ptr<Screen> screenForRect(const Rect& rect);

    // Replaces the screens (the backend at start and on changes; tests).
    // Without a call there is one 1920 x 1080 screen with a 25-point top bar.
    static void setScreens(const std::vector<ScreenDescription>& screens);

private:
    ScreenDescription d_;
};

}  // namespace platform
