#include "platform/foundation/NotificationCenter.h"

namespace platform {

NotificationCenter& NotificationCenter::defaultCenter() {
    static auto* center = new NotificationCenter;
    return *center;
}

NotificationCenter::NotificationCenter() = default;
NotificationCenter::~NotificationCenter() = default;

Subscription NotificationCenter::observe(const std::string& name, const void* sender, Handler handler) {
    return observers_.add([name, sender, handler = std::move(handler)](const Notification& n) {
        if ((name.empty() || name == n.name) && (!sender || sender == n.sender)) handler(n);
    });
}

void NotificationCenter::removeAllObservers() { observers_.clear(); }

std::size_t NotificationCenter::observerCount() const { return observers_.size(); }

void NotificationCenter::post(const Notification& n) {
    observers_.forEach([&](const Handler& handler) { handler(n); });
}

}  // namespace platform
