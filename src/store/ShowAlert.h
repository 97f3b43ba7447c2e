#pragma once
// The one way to tell the user about a failure the program cannot repair
// itself: a modal, informational alert with a headline, an explanation and
// one "OK" button. Callable from any thread; the alert always runs on the
// main thread, and the call returns once it has been dismissed.
//
// A background caller waits for the main queue, so it must not hold anything
// the main thread is waiting for at that moment (such as a queue the main
// thread reads from synchronously).

#include <string>

namespace frelt {

void showAlert(const std::string& messageText, const std::string& informativeText);

}  // namespace frelt
