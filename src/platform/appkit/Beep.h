#pragma once
// The system's alert sound, for a choice the program refuses. The desktop
// backend installs what plays it; without one nothing sounds. Tests read how
// often it was asked for.

#include <cstddef>
#include <functional>

namespace platform {

void beep();
// Beeps asked for since the process started.
std::size_t beepCount();
// What plays the sound; null plays nothing.
void setBeepHandler(std::function<void()> handler);

}  // namespace platform
