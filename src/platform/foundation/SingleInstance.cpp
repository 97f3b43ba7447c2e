#include "platform/foundation/SingleInstance.h"

#include <vector>

namespace platform::singleinstance {

namespace {
std::mutex gMutex;
std::vector<std::function<void()>>& resets() {
    static auto* r = new std::vector<std::function<void()>>;
    return *r;
}
}  // namespace

void registerReset(std::function<void()> reset) {
    std::lock_guard lock(gMutex);
    resets().push_back(std::move(reset));
}

void resetAll() {
    // Destroying one instance may make or reset another: take the list each round.
    for (;;) {
        std::function<void()> reset;
        {
            std::lock_guard lock(gMutex);
            if (resets().empty()) return;
            reset = std::move(resets().back());
            resets().pop_back();
        }
        reset();
    }
}

}  // namespace platform::singleinstance
