#include "platform/foundation/Subscription.h"

#include <algorithm>

namespace platform::detail {

bool HandlerGate::enter() {
    std::lock_guard lock(m_);
    if (closed_) return false;
    inside_.push_back(std::this_thread::get_id());
    return true;
}

void HandlerGate::leave() {
    std::lock_guard lock(m_);
    inside_.erase(std::find(inside_.begin(), inside_.end(), std::this_thread::get_id()));
    idle_.notify_all();
}

void HandlerGate::close() {
    const auto me = std::this_thread::get_id();
    std::unique_lock lock(m_);
    closed_ = true;
    // A handler that ends its own subscription must not wait for itself.
    idle_.wait(lock, [&] { return std::all_of(inside_.begin(), inside_.end(), [&](auto t) { return t == me; }); });
}

}  // namespace platform::detail
