#pragma once
// One value that several threads read and replace. Every wrapper in the
// process is guarded by one shared concurrent queue: a read is a synchronous
// block on it and a write a barrier block, so a read issued after a write
// sees it. An entry with several wrapped fields costs no queue of its own.
//
// Writes from the thread that made the wrapper (its owner: the thread that
// decodes or creates the entry) run right there, under the barrier, as soon
// as the reads and writes before them are done: decoding thousands of entries
// must not hand every field to a worker thread and back. Writes from any
// other thread are queued as asynchronous barrier blocks and never wait.
//
// A queued write holds the value only weakly: when the wrapper has gone by the
// time it runs, it is dropped.
//
// The limit callers respect: no wrapper is read, written or modified from a
// block that itself runs on the shared queue (that includes the change given
// to modify()), since a read there would wait for itself.

#include <memory>
#include <thread>
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
        : cell_(std::make_shared<Cell>(std::move(initial))), owner_(std::this_thread::get_id()) {}

    // A wrapper stands for one stored field of its owner: it is neither
    // copied nor moved (a moved-from wrapper would hold no value).
    ThreadSafe(const ThreadSafe&) = delete;
    ThreadSafe& operator=(const ThreadSafe&) = delete;

    // A copy of the value; waits only for writes issued before it.
    T get() const {
        return queue().syncValue([this] { return cell_->value; });
    }

    // Replaces the value: at once on the owner's thread, later (without
    // waiting) on any other.
    void set(T value) {
        if (std::this_thread::get_id() == owner_) {
            queue().syncBarrier([&] { cell_->value = std::move(value); });
            return;
        }
        queue().asyncBarrier([weak = std::weak_ptr<Cell>(cell_), value = std::move(value)]() mutable {
            if (auto cell = weak.lock()) cell->value = std::move(value);
        });
    }

    // Changes the value in place as one exclusive step: no other read or
    // write of any wrapper runs in between, so concurrent changes never lose
    // one another. `change` runs on the calling thread, which waits for the
    // writes issued before it; if it throws, what it changed so far stays.
    template <class F>
    void modify(F&& change) {
        queue().syncBarrier([&] { std::forward<F>(change)(cell_->value); });
    }

    const std::shared_ptr<platform::dispatch::Queue>& concurrentQueue() const {
        return DispatchQueueManager::threadSafeQueue();
    }

private:
    struct Cell {
        explicit Cell(T v) : value(std::move(v)) {}
        T value;
    };

    // The queue is the process's one, which outlives every wrapper: it is
    // looked up, not held, which keeps an entry's three wrappers smaller.
    static platform::dispatch::Queue& queue() { return *DispatchQueueManager::threadSafeQueue(); }

    std::shared_ptr<Cell> cell_;
    std::thread::id owner_;
};

}  // namespace frelt
