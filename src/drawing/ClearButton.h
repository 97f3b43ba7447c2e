#pragma once
// The round grey button with a cut-out cross with which the shortcut
// recorder clears a recorded shortcut. It draws itself with shape layers: a
// disc filling the button, masked by the disc minus an X whose arms run
// between 30 % and 70 % of the width and height; pressed, the disc darkens.
// Every drawing pass rebuilds the two layers, so exactly one disc is shown.

#include "platform/appkit/Button.h"

namespace frelt {

class ClearButton : public platform::Button {
public:
    explicit ClearButton(platform::Rect frame = {});

    void drawRect(const platform::Rect& dirtyRect) override;
    // Painted through its layers.
    bool wantsUpdateLayer() const override { return true; }
    void updateLayer() override;

private:
    void rebuildLayers();
};

}  // namespace frelt
