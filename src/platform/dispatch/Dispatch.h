#pragma once
// Queues in the style the program's model layer is written against: a main
// queue pumped by the main run loop, serial queues, and concurrent queues whose
// barrier blocks run alone and in the order issued. All queues share one small
// worker pool; no queue owns a thread. Our own queues are labelled
// "org.frelt.*" ("org.frelt.main", "org.frelt.global").

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

namespace platform::dispatch {

using Block = std::function<void()>;
using Duration = std::chrono::steady_clock::duration;
using TimePoint = std::chrono::steady_clock::time_point;

inline Duration seconds(double s) {
    return std::chrono::duration_cast<Duration>(std::chrono::duration<double>(s));
}

// True on the process's main thread (the thread that ran static initialisation).
bool isMainThread();

class Queue : public std::enable_shared_from_this<Queue> {
public:
    enum class Kind { Main, Serial, Concurrent };

    static std::shared_ptr<Queue> main();
    static std::shared_ptr<Queue> makeSerial(std::string label);
    static std::shared_ptr<Queue> makeConcurrent(std::string label);
    // The shared concurrent queue for work that needs no queue of its own.
    static std::shared_ptr<Queue> global();

    virtual ~Queue();

    const std::string& label() const { return label_; }
    Kind kind() const { return kind_; }

    // Runs `block` later. On a concurrent queue, blocks without a barrier may
    // overlap each other but never a barrier block.
    void async(Block block);
    // Runs `block` alone on the queue, after everything issued before it and
    // before everything issued after it. On a serial queue this is `async`.
    void asyncBarrier(Block block);
    // Runs `block` on the calling thread once everything issued before it that
    // it must not overlap has finished. Reads issued after a barrier see it.
    // On the main queue: from another thread, the block is queued and runs on
    // the main thread in turn while the caller waits; from the main thread it
    // runs at once, ahead of blocks already queued (waiting for them would
    // never end).
    void sync(const Block& block);
    void syncBarrier(const Block& block);

    template <class F>
    auto syncValue(F&& f) -> std::invoke_result_t<F&> {
        using R = std::invoke_result_t<F&>;
        std::optional<R> result;
        sync([&] { result.emplace(f()); });
        return std::move(*result);
    }

    // Runs `block` asynchronously once `delay` has passed on the dispatch clock.
    void after(Duration delay, Block block);

    struct State;

protected:
    Queue(Kind kind, std::string label);

private:
    friend struct QueueAccess;
    Kind kind_;
    std::string label_;
    std::shared_ptr<State> state_;
};

// A counting semaphore.
class Semaphore {
public:
    explicit Semaphore(long value = 0);
    ~Semaphore();
    void signal();
    void wait();
    // Returns false when the timeout passed before a signal arrived.
    bool waitFor(Duration timeout);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The dispatch clock. Real time by default; tests switch to a manual clock
// that only moves when told to (see RunLoop's headless backend).
namespace clock {
TimePoint now();
void useManual(bool manual);
bool isManual();
// Moves the manual clock to `t` (never backwards). Delayed work that is due
// is handed to its queue.
void setManualNow(TimePoint t);
// Earliest deadline of delayed work, if any.
std::optional<TimePoint> nextDelayedDeadline();
}  // namespace clock

// Main-queue plumbing for the run loop.
namespace mainqueue {
// Runs the blocks queued so far (not those they queue). Returns how many ran.
std::size_t drain();
bool hasPending();
// Called (from any thread) whenever a block is queued on the main queue.
void setWakeHandler(std::function<void()> handler);
}  // namespace mainqueue

// Test support: waits until no queue other than the main queue has pending or
// running work. Returns false if that did not happen within `timeout`. On the
// main thread it runs the main queue whenever a background block waits in a
// `sync` on it.
bool waitForBackgroundIdle(Duration timeout = std::chrono::seconds(10));
// Between tests, on the main thread: drops delayed work that has not fired
// and the blocks still queued on the main queue, except those a `sync` caller
// waits for, which run (their callers return).
void discardPendingWork();

// The shared worker pool. It adds a thread whenever every thread is busy
// (up to 64), so blocks that wait for each other never starve; threads beyond
// the number of cores end after the idle timeout without work (5 s).
namespace workers {
std::size_t count();
// Tests shorten it to see the pool shrink.
void setIdleTimeout(Duration timeout);
Duration idleTimeout();
// Waits until at most `n` threads are left; false when `timeout` passed first.
bool waitForCountAtMost(std::size_t n, Duration timeout);
}  // namespace workers

}  // namespace platform::dispatch
