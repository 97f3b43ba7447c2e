#pragma once
// Where the platform reports a situation that only a test can cause and must
// not hang on: an unscripted modal, a run loop that would wait forever
// without a display. The test library turns the report into a test failure;
// without a handler the message goes to stderr.

#include <functional>
#include <string>

namespace platform {

void setFailureHandler(std::function<void(const std::string&)> handler);
void reportFailure(const std::string& message);

}  // namespace platform
