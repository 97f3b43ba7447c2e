#pragma once
// The default notification centre: observers by name and optional sender,
// synchronous delivery on the posting thread in registration order. Posting,
// adding and removing observers from inside a delivery are safe; an observer
// removed during a delivery is not called again. Removing an observer waits
// for its deliveries in progress on other threads, so an object that removes
// its observer in its destructor is never called once destroyed.

#include <any>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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
    using ObserverId = std::uint64_t;
    using Handler = std::function<void(const Notification&)>;

    // Removes its observer when destroyed.
    class Observation {
    public:
        Observation() = default;
        Observation(NotificationCenter* center, ObserverId id) : center_(center), id_(id) {}
        Observation(Observation&& o) noexcept : center_(o.center_), id_(o.id_) { o.center_ = nullptr; }
        Observation& operator=(Observation&& o) noexcept;
        Observation(const Observation&) = delete;
        Observation& operator=(const Observation&) = delete;
        ~Observation() { reset(); }
        void reset();
        ObserverId id() const { return id_; }

    private:
        NotificationCenter* center_ = nullptr;
        ObserverId id_ = 0;
    };

    static NotificationCenter& defaultCenter();

    NotificationCenter();
    ~NotificationCenter();

    // An empty name observes every notification; a null sender every sender.
    ObserverId addObserver(const std::string& name, const void* sender, Handler handler);
    [[nodiscard]] Observation observe(const std::string& name, const void* sender, Handler handler) {
        return Observation(this, addObserver(name, sender, std::move(handler)));
    }
    void removeObserver(ObserverId id);
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
    struct Entry {
        ObserverId id;
        std::string name;
        const void* sender;
        Handler handler;
        std::mutex m;
        std::condition_variable idle;
        bool removed = false;                  // guarded by m
        std::vector<std::thread::id> callers;  // threads inside the handler; guarded by m
    };
    // Marks `e` removed and waits until no other thread is inside its handler.
    static void retire(Entry& e);

    mutable std::mutex m_;
    std::vector<std::shared_ptr<Entry>> entries_;
    ObserverId nextId_ = 1;
};

}  // namespace platform
