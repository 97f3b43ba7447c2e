#pragma once
// The program's window kinds, by which its windows are opened, found and
// closed. Only what the entry sources need is here so far: closing the main
// window before a modal panel is run for it.

#include <string>

namespace frelt {

enum class FreltWindowEnum { main };

const char* rawValue(FreltWindowEnum kind);

// Closes the program's window of that kind when one is open (logged
// "closeWindow: <kind>").
void closeWindow(FreltWindowEnum kind);

}  // namespace frelt
