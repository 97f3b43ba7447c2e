#pragma once
// The shapes of the mouse pointer a view can ask for.

namespace platform {

enum class Cursor { arrow, iBeam, pointingHand, closedHand, openHand, resizeLeftRight, resizeUpDown, crosshair };

}  // namespace platform
