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

// While the program ends on a signal (logout, shutdown, an interrupt) nobody
// answers an alert, and one would keep the program from ending. From this
// call on, every alert, and one that was showing when it came, is logged and
// kept in the settings instead, and the next launch shows it. Undone only by
// the reset of the single instances (tests).
void keepAlertsForNextLaunch();
bool alertsAreKeptForNextLaunch();

// Shows each alert that an earlier run kept, once, oldest first, and
// forgets them. Main thread.
void showAlertsKeptFromLastRun();

}  // namespace frelt
