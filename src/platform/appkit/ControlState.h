#pragma once
// The state of a button, check box or menu item.

namespace platform {

enum class ControlStateValue : int { mixed = -1, off = 0, on = 1 };

}  // namespace platform
