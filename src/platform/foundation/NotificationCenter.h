#pragma once
// The default notification centre: observers by name and optional sender,
// synchronous delivery on the posting thread in registration order. Posting,
// observing and ending observations from inside a delivery are safe; an
// observer added during a delivery hears the next post, one ended during a
// delivery is not called again. Observations are Subscriptions: one may
// outlive its centre, and ending one waits for its deliveries in progress on
// other threads.

#include <any>
#include <functional>
#include <memory>
#include <string>

#include "platform/foundation/Subscription.h"
#include "platform/foundation/Value.h"

namespace platform {

struct Notification {
    std::string name;
    std::any object;                 // a value payload or a shared_ptr to the sender
    const void* sender = nullptr;    // identity used to filter observers
    ValueDictionary userInfo;

    template <class T>
    const T* objectAs() const { return std::any_cast<T>(&object); }
};

class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // An empty name observes every notification; a null sender every sender.
    [[nodiscard]] Subscription observe(const std::string& name, const void* sender, Handler handler);
    // Ends every observation (between tests).
    void removeAllObservers();
    std::size_t observerCount() const;

    void post(const Notification& notification);
    void post(const std::string& name) { post(Notification{name, {}, nullptr, {}}); }
    // A value payload: no sender identity.
    void post(const std::string& name, std::any object, ValueDictionary userInfo = {}) {
        post(Notification{name, std::move(object), nullptr, std::move(userInfo)});
    }
    // An object with identity: observers may filter by it.
    template <class T>
    void post(const std::string& name, const std::shared_ptr<T>& object, ValueDictionary userInfo = {}) {
        post(Notification{name, std::any(object), static_cast<const void*>(object.get()), std::move(userInfo)});
    }

private:
    ObserverList<Handler> observers_;
};

}  // namespace platform
