#pragma once
// Where the platform reports a situation that only a test can cause and must
// not hang on: an unscripted modal, a run loop that would wait forever
// without a display, main-thread code called from another thread. The test
// library turns the report into a test failure; without a handler the
// message goes to stderr.

#include <functional>
#include <string>

namespace platform {

void setFailureHandler(std::function<void(const std::string&)> handler);
void reportFailure(const std::string& message);

// Main-thread-only code (timers, the run loop, the kit) calls this first. In
// builds with assertions (the test builds) a call from another thread is
// reported as a failure naming `where`; otherwise it costs nothing.
#ifdef NDEBUG
inline void assertMainThread(const char*) {}
#else
void assertMainThread(const char* where);
#endif

}  // namespace platform
