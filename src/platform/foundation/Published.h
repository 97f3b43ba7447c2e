#pragma once
// A value that others can watch. Subscribing delivers the current value at
// once, on the subscribing thread; after that every assignment is delivered
// to every subscriber, in subscription order.
//
// Handlers run with no lock of the publisher held, so handlers of two values
// may assign to each other from two threads. Each subscriber is called by one
// thread at a time and always ends on the current value:
// - an assignment is delivered on the assigning thread, except to a
//   subscriber that another call is delivering to at that moment; that call
//   delivers the newer value after its handler returns;
// - an assignment from inside a handler therefore reaches that handler's own
//   subscriber after the handler returns, and the others at once; nobody is
//   then handed the older value.
// A subscriber may see fewer values than were assigned, never an older value
// after a newer one.
//
// The publisher holds no strong reference to a subscriber, and a
// subscription (see Subscription.h) ends when its handle is dropped.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "platform/foundation/Subscription.h"

namespace platform {

template <class T>
class Published {
public:
    using Handler = std::function<void(const T&)>;

    Published() : core_(std::make_shared<Core>()) {}
    explicit Published(T initial) : core_(std::make_shared<Core>(std::move(initial))) {}
    Published(const Published&) = delete;
    Published& operator=(const Published&) = delete;

    T value() const {
        std::lock_guard lock(core_->m);
        return core_->value;
    }
    T get() const { return value(); }

    Published& operator=(T newValue) {
        set(std::move(newValue));
        return *this;
    }

    void set(T newValue) {
        std::vector<std::shared_ptr<Sink>> sinks;
        {
            std::lock_guard lock(core_->m);
            core_->value = std::move(newValue);
            ++core_->generation;
            sinks = core_->sinks;
        }
        for (auto& sink : sinks) core_->catchUp(*sink);
    }

    // Calls `handler` with the current value now and with every later value.
    [[nodiscard]] Subscription subscribe(Handler handler) {
        auto sink = std::make_shared<Sink>();
        sink->handler = std::move(handler);
        // Claimed before it is listed: an assignment on another thread meanwhile
        // leaves its value to this thread, which delivers it after the first.
        sink->deliverer = std::this_thread::get_id();
        {
            std::lock_guard lock(core_->m);
            sink->id = core_->nextId++;
            core_->sinks.push_back(sink);
        }
        core_->deliverClaimed(*sink);
        return Subscription(std::weak_ptr<Core>(core_), [id = sink->id](Core& core) { core.remove(id); });
    }

    // As subscribe(handler), calling `handler(owner, value)` while `owner`
    // lives; the publisher keeps only a weak reference to it.
    template <class Owner, class F>
    [[nodiscard]] Subscription subscribe(const std::shared_ptr<Owner>& owner, F handler) {
        std::weak_ptr<Owner> weak = owner;
        return subscribe([weak, handler = std::move(handler)](const T& value) {
            if (auto strong = weak.lock()) handler(*strong, value);
        });
    }

    std::size_t subscriberCount() const {
        std::lock_guard lock(core_->m);
        return core_->sinks.size();
    }

private:
    struct Sink {
        std::uint64_t id = 0;
        Handler handler;
        std::mutex m;
        std::condition_variable idle;
        bool ended = false;                      // guarded by m
        bool knocked = false;                    // a newer value arrived while claimed; guarded by m
        std::optional<std::thread::id> deliverer;  // the thread calling the handler; guarded by m
        std::uint64_t seen = 0;                  // the generation delivered; only the deliverer touches it
    };

    struct Core {
        mutable std::mutex m;
        T value{};
        std::uint64_t generation = 1;
        std::vector<std::shared_ptr<Sink>> sinks;
        std::uint64_t nextId = 1;

        Core() = default;
        explicit Core(T initial) : value(std::move(initial)) {}

        // Brings `sink` to the current value, unless another call is busy with
        // it: that call is told and catches up itself.
        void catchUp(Sink& sink) {
            {
                std::lock_guard lock(sink.m);
                if (sink.ended) return;
                if (sink.deliverer) {
                    sink.knocked = true;
                    return;
                }
                sink.deliverer = std::this_thread::get_id();
            }
            deliverClaimed(sink);
        }

        // Called by the thread that claimed `sink`; releases it when nothing
        // newer is waiting.
        void deliverClaimed(Sink& sink) {
            for (;;) {
                std::optional<T> current;
                {
                    std::lock_guard lock(m);
                    if (sink.seen < generation) {
                        sink.seen = generation;
                        current.emplace(value);
                    }
                }
                bool ended;
                {
                    std::lock_guard lock(sink.m);
                    ended = sink.ended;
                }
                // The handler stays in place after the subscription ended:
                // a handler may end its own subscription.
                if (current && !ended) sink.handler(*current);
                std::lock_guard lock(sink.m);
                if (sink.knocked && !sink.ended) {
                    sink.knocked = false;
                    continue;
                }
                sink.knocked = false;
                sink.deliverer.reset();
                sink.idle.notify_all();
                return;
            }
        }

        void remove(std::uint64_t id) {
            std::shared_ptr<Sink> gone;
            {
                std::lock_guard lock(m);
                gone = detail::takeById(sinks, id);
            }
            if (!gone) return;
            const auto me = std::this_thread::get_id();
            std::unique_lock lock(gone->m);
            gone->ended = true;
            gone->idle.wait(lock, [&] { return !gone->deliverer || *gone->deliverer == me; });
        }
    };

    std::shared_ptr<Core> core_;
};

}  // namespace platform
