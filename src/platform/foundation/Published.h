#pragma once
// A value that others can watch. Subscribing delivers the current value at
// once; after that every assignment is delivered synchronously on the
// assigning thread, in subscription order.
//
// Subscriptions are weak on both sides: the publisher holds no strong
// reference to a subscriber, and a subscription ends when its handle is
// dropped. Dropping (or cancelling) a handle waits for a delivery in progress
// on another thread, so a subscriber that destroys its handle in its
// destructor is never called afterwards. Deliveries of one publisher are
// serialised; assigning from inside a handler (on the same thread) is allowed
// and delivers the newer value to everyone before the older delivery would
// have continued, so the last value each subscriber sees is the current one.
// A handler must not wait for another thread that assigns to, subscribes to,
// or cancels a subscription of the same publisher.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace platform {

namespace detail {
struct SubscriptionToken {
    virtual ~SubscriptionToken() = default;
    virtual void cancel() = 0;
};
}  // namespace detail

// The handle of a subscription: move-only; dropping it ends the subscription.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::shared_ptr<detail::SubscriptionToken> token) : token_(std::move(token)) {}
    Subscription(Subscription&&) noexcept = default;
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            cancel();
            token_ = std::move(other.token_);
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { cancel(); }

    void cancel() {
        if (auto token = std::move(token_)) token->cancel();
    }
    bool isActive() const { return token_ != nullptr; }

private:
    std::shared_ptr<detail::SubscriptionToken> token_;
};

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
        std::lock_guard delivery(core_->delivery);
        std::vector<std::shared_ptr<Sink>> sinks;
        std::optional<T> current;
        std::uint64_t generation;
        {
            std::lock_guard lock(core_->m);
            core_->value = std::move(newValue);
            current.emplace(core_->value);
            generation = ++core_->generation;
            sinks = core_->liveSinks();
        }
        for (auto& sink : sinks) {
            // A nested assignment from a handler has already delivered a newer value to everyone.
            if (core_->currentGeneration() != generation) return;
            sink->deliver(*current);
        }
    }

    // Calls `handler` with the current value now and with every later value.
    [[nodiscard]] Subscription subscribe(Handler handler) {
        auto sink = std::make_shared<Sink>();
        sink->handler = std::move(handler);
        sink->core = core_;
        std::lock_guard delivery(core_->delivery);
        std::optional<T> current;
        {
            std::lock_guard lock(core_->m);
            current.emplace(core_->value);
            core_->sinks.push_back(sink);
        }
        sink->deliver(*current);
        return Subscription(sink);
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
        return core_->liveSinks().size();
    }

private:
    struct Core;

    struct Sink : detail::SubscriptionToken {
        Handler handler;
        std::atomic<bool> active{true};
        std::weak_ptr<Core> core;

        // Called with the publisher's delivery lock held. The handler stays
        // in place after cancel(): a handler may drop its own subscription.
        void deliver(const T& value) {
            if (active.load()) handler(value);
        }

        void cancel() override {
            active.store(false);
            // Taking the delivery lock waits for a delivery in progress on
            // another thread; on the delivering thread itself it is re-entrant.
            if (auto c = core.lock()) std::lock_guard delivery(c->delivery);
        }
    };

    struct Core {
        std::recursive_mutex delivery;
        mutable std::mutex m;
        T value{};
        std::uint64_t generation = 0;
        Core() = default;
        explicit Core(T initial) : value(std::move(initial)) {}
        std::vector<std::weak_ptr<Sink>> sinks;

        // Called with `m` held; forgets ended subscriptions.
        std::vector<std::shared_ptr<Sink>> liveSinks() {
            std::vector<std::shared_ptr<Sink>> out;
            std::vector<std::weak_ptr<Sink>> kept;
            for (auto& w : sinks)
                if (auto s = w.lock(); s && s->active.load()) {
                    out.push_back(s);
                    kept.push_back(w);
                }
            sinks.swap(kept);
            return out;
        }

        std::uint64_t currentGeneration() {
            std::lock_guard lock(m);
            return generation;
        }
    };

    std::shared_ptr<Core> core_;
};

}  // namespace platform
