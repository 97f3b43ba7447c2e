#pragma once
// One value that several threads read and replace. Every wrapper in the
// process is guarded by one shared concurrent queue: a read is a synchronous
// block on it, a write an asynchronous barrier block, so a writer never waits
// and a read issued after a write sees it. An entry with several wrapped
// fields costs no queue of its own.
//
// A pending write holds the value only weakly: when the owner has gone by the
// time it runs, it is dropped.
//
// The limit callers respect: no wrapper is read, written or modified from a
// block that itself runs on the shared queue (that includes the change given
// to modify()), since a read there would wait for itself.

#include <memory>
#include <type_traits>
#include <utility>

#include "platform/dispatch/Dispatch.h"

namespace frelt {

// Owner of the queue that all ThreadSafe values share.
class DispatchQueueManager {
public:
    static constexpr const char* threadSafeQueueLabel = "ThreadSafe Dispatch Queue";

    // Made on first use, once; lives until the process ends.
    static const std::shared_ptr<platform::dispatch::Queue>& threadSafeQueue();
};

template <class T>
class ThreadSafe {
public:
    ThreadSafe() requires std::is_default_constructible_v<T> : ThreadSafe(T{}) {}
    explicit ThreadSafe(T initial)
        : concurrentQueue_(DispatchQueueManager::threadSafeQueue()), cell_(std::make_shared<Cell>(std::move(initial))) {}

    // A wrapper stands for one stored field of its owner: it is neither
    // copied nor moved (a moved-from wrapper would hold no value).
    ThreadSafe(const ThreadSafe&) = delete;
    ThreadSafe& operator=(const ThreadSafe&) = delete;

    // A copy of the value; waits only for writes issued before it.
    T get() const {
        return concurrentQueue_->syncValue([this] { return cell_->value; });
    }

    // Replaces the value later, without waiting.
    void set(T value) {
        concurrentQueue_->asyncBarrier([weak = std::weak_ptr<Cell>(cell_), value = std::move(value)]() mutable {
            if (auto cell = weak.lock()) cell->value = std::move(value);
        });
    }

    // Changes the value in place as one exclusive step: no other read or
    // write of any wrapper runs in between, so concurrent changes never lose
    // one another. `change` runs on the calling thread, which waits for the
    // writes issued before it; if it throws, what it changed so far stays.
    template <class F>
    void modify(F&& change) {
        concurrentQueue_->syncBarrier([&] { std::forward<F>(change)(cell_->value); });
    }

    const std::shared_ptr<platform::dispatch::Queue>& concurrentQueue() const { return concurrentQueue_; }

private:
    struct Cell {
        explicit Cell(T v) : value(std::move(v)) {}
        T value;
    };

    std::shared_ptr<platform::dispatch::Queue> concurrentQueue_;
    std::shared_ptr<Cell> cell_;
};

}  // namespace frelt
