#include "platform/foundation/FailureHook.h"

#include <cstdio>
#include <mutex>

#include "platform/dispatch/Dispatch.h"

namespace platform {

namespace {
std::mutex gHookMutex;
std::function<void(const std::string&)>& handler() {
    static auto* h = new std::function<void(const std::string&)>;
    return *h;
}
}  // namespace

void setFailureHandler(std::function<void(const std::string&)> h) {
    std::lock_guard lock(gHookMutex);
    handler() = std::move(h);
}

void reportFailure(const std::string& message) {
    std::function<void(const std::string&)> h;
    {
        std::lock_guard lock(gHookMutex);
        h = handler();
    }
    if (h) h(message);
    else std::fprintf(stderr, "platform failure: %s\n", message.c_str());
}

#ifndef NDEBUG
void assertMainThread(const char* where) {
    if (!dispatch::isMainThread()) reportFailure(std::string(where) + " must run on the main thread");
}
#endif

}  // namespace platform
