#include "platform/appkit/Beep.h"

#include <atomic>
#include <mutex>

namespace platform {

namespace {
std::atomic<std::size_t> beeps{0};
std::mutex handlerMutex;
std::function<void()>& handler() {
    static std::function<void()> h;
    return h;
}
}  // namespace

void beep() {
    beeps.fetch_add(1, std::memory_order_relaxed);
    std::function<void()> play;
    {
        std::lock_guard lock(handlerMutex);
        play = handler();
    }
    if (play) play();
}

std::size_t beepCount() { return beeps.load(std::memory_order_relaxed); }

void setBeepHandler(std::function<void()> h) {
    std::lock_guard lock(handlerMutex);
    handler() = std::move(h);
}

}  // namespace platform
