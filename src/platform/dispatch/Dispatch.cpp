#include "platform/dispatch/Dispatch.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::dispatch {

namespace {

const std::thread::id gMainThreadId = std::this_thread::get_id();

// Work submitted to background queues and not yet finished; tests wait for 0.
struct Outstanding {
    std::mutex m;
    std::condition_variable cv;
    long count = 0;

    void add() {
        std::lock_guard lock(m);
        ++count;
    }
    void done() {
        std::lock_guard lock(m);
        if (--count == 0) cv.notify_all();
    }
};

Outstanding& outstanding() {
    static auto* o = new Outstanding;  // lives until exit: detached workers may still use it
    return *o;
}

// A pool of detached threads that grows while every thread is busy, so a
// block that waits on another queue never starves the pool. Threads beyond
// the number of cores end once they have been idle for the idle timeout.
class WorkerPool {
public:
    static WorkerPool& shared() {
        static auto* pool = new WorkerPool;
        return *pool;
    }

    void submit(Block task) {
        std::unique_lock lock(m_);
        tasks_.push_back(std::move(task));
        // Idle threads count only once they have taken a task: compare them
        // with the tasks waiting, or two blocks submitted together, the first
        // waiting for the second, would share one thread and never finish.
        if (static_cast<std::size_t>(idle_) < tasks_.size() && threads_ < kMaxThreads) {
            ++threads_;
            ++idle_;
            std::thread([this] { loop(); }).detach();
        }
        cv_.notify_one();
    }

    std::size_t threadCount() {
        std::lock_guard lock(m_);
        return static_cast<std::size_t>(threads_);
    }

    void setIdleTimeout(Duration timeout) {
        std::lock_guard lock(m_);
        idleTimeout_ = timeout;
        cv_.notify_all();  // idle threads measure against the new timeout
    }

    Duration idleTimeout() {
        std::lock_guard lock(m_);
        return idleTimeout_;
    }

    bool waitForThreadCountAtMost(std::size_t n, Duration timeout) {
        std::unique_lock lock(m_);
        return exited_.wait_for(lock, timeout, [&] { return static_cast<std::size_t>(threads_) <= n; });
    }

private:
    static constexpr int kMaxThreads = 64;

    static int keptThreads() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

    void loop() {
        std::unique_lock lock(m_);
        auto idleSince = std::chrono::steady_clock::now();
        for (;;) {
            if (!tasks_.empty()) {
                Block task = std::move(tasks_.front());
                tasks_.pop_front();
                --idle_;
                lock.unlock();
                task();
                task = nullptr;
                lock.lock();
                ++idle_;
                idleSince = std::chrono::steady_clock::now();
                continue;
            }
            if (threads_ <= keptThreads()) {
                cv_.wait(lock);
                continue;
            }
            if (std::chrono::steady_clock::now() >= idleSince + idleTimeout_) {
                --threads_;
                --idle_;
                exited_.notify_all();
                return;
            }
            cv_.wait_until(lock, idleSince + idleTimeout_);
        }
    }

    std::mutex m_;
    std::condition_variable cv_;
    std::condition_variable exited_;
    std::deque<Block> tasks_;
    int threads_ = 0;
    int idle_ = 0;
    Duration idleTimeout_ = std::chrono::seconds(5);
};

struct SyncTurn {
    std::mutex m;
    std::condition_variable cv;
    bool ready = false;
};

struct Item {
    Block block;
    bool barrier = false;
    std::shared_ptr<SyncTurn> turn;  // set for sync calls: the caller runs the block
};

}  // namespace

struct Queue::State : std::enable_shared_from_this<Queue::State> {
    bool serial = false;
    std::mutex m;
    std::deque<Item> items;
    int running = 0;  // non-barrier blocks and sync reads in progress
    bool barrierRunning = false;

    // Starts whatever may start now. Called with `m` held.
    void pump() {
        while (!items.empty()) {
            Item& head = items.front();
            if (head.barrier) {
                if (running != 0 || barrierRunning) return;
                barrierRunning = true;
                start(std::move(head));
                items.pop_front();
                return;
            }
            if (barrierRunning) return;
            ++running;
            start(std::move(head));
            items.pop_front();
        }
    }

    void start(Item item) {
        if (item.turn) {
            std::lock_guard lock(item.turn->m);
            item.turn->ready = true;
            item.turn->cv.notify_one();
            return;
        }
        auto self = shared_from_this();
        WorkerPool::shared().submit([self, block = std::move(item.block), barrier = item.barrier]() mutable {
            block();
            // The block's captures go while it still holds the queue, so
            // their destructors never overlap later blocks.
            block = nullptr;
            self->finish(barrier);
            outstanding().done();
        });
    }

    void finish(bool barrier) {
        std::lock_guard lock(m);
        if (barrier) barrierRunning = false;
        else --running;
        pump();
    }

    void enqueue(Block block, bool barrier) {
        outstanding().add();
        std::lock_guard lock(m);
        items.push_back(Item{std::move(block), barrier || serial, nullptr});
        pump();
    }

    void runSync(const Block& block, bool barrier) {
        barrier = barrier || serial;
        {
            std::unique_lock lock(m);
            const bool free = items.empty() && !barrierRunning && (!barrier || running == 0);
            if (!free) {
                auto turn = std::make_shared<SyncTurn>();
                items.push_back(Item{nullptr, barrier, turn});
                pump();
                lock.unlock();
                std::unique_lock tl(turn->m);
                turn->cv.wait(tl, [&] { return turn->ready; });
            } else if (barrier) {
                barrierRunning = true;
            } else {
                ++running;
            }
        }
        struct Finish {
            State* s;
            bool barrier;
            ~Finish() { s->finish(barrier); }
        } finish{this, barrier};
        block();
    }
};

namespace {

// The main queue: a plain FIFO that the main run loop drains.
struct MainQueue {
    struct Entry {
        Block block;
        bool sync = false;  // its caller, on another thread, waits until it has run
    };
    std::mutex m;
    std::deque<Entry> blocks;
    std::function<void()> wake;
    // Sync entries in `blocks`: their callers are blocked, so a main thread
    // waiting for background work must run them rather than wait.
    std::atomic<int> syncQueued{0};

    void push(Block b, bool sync) {
        std::function<void()> w;
        {
            std::lock_guard lock(m);
            blocks.push_back(Entry{std::move(b), sync});
            if (sync) ++syncQueued;
            w = wake;
        }
        if (w) w();
    }

    std::deque<Entry> takeAll() {
        std::lock_guard lock(m);
        std::deque<Entry> taken;
        taken.swap(blocks);
        syncQueued = 0;
        return taken;
    }
};

MainQueue& mainQueueState() {
    static auto* q = new MainQueue;
    return *q;
}

// Delayed work and the clock it is measured on.
struct DelayedWork {
    std::mutex m;
    std::condition_variable cv;
    std::multimap<TimePoint, std::pair<std::shared_ptr<Queue>, Block>> entries;
    bool manual = false;
    TimePoint manualNow{};
    bool threadStarted = false;

    TimePoint now() {
        std::lock_guard lock(m);
        return manual ? manualNow : std::chrono::steady_clock::now();
    }

    void add(TimePoint deadline, std::shared_ptr<Queue> q, Block b) {
        std::lock_guard lock(m);
        entries.emplace(deadline, std::make_pair(std::move(q), std::move(b)));
        if (!threadStarted) {
            threadStarted = true;
            std::thread([this] { loop(); }).detach();
        }
        cv.notify_all();
    }

    // Hands due work to its queues, earliest first. Called without the lock.
    void fireDue(TimePoint upTo) {
        std::vector<std::pair<std::shared_ptr<Queue>, Block>> due;
        {
            std::lock_guard lock(m);
            auto end = entries.upper_bound(upTo);
            for (auto it = entries.begin(); it != end; ++it) due.push_back(std::move(it->second));
            entries.erase(entries.begin(), end);
        }
        for (auto& [q, b] : due) q->async(std::move(b));
    }

    void loop() {
        std::unique_lock lock(m);
        for (;;) {
            if (manual || entries.empty()) {
                cv.wait(lock);
                continue;
            }
            const auto deadline = entries.begin()->first;
            if (std::chrono::steady_clock::now() < deadline) {
                cv.wait_until(lock, deadline);
                continue;
            }
            lock.unlock();
            fireDue(std::chrono::steady_clock::now());
            lock.lock();
        }
    }
};

DelayedWork& delayed() {
    static auto* d = new DelayedWork;
    return *d;
}

class MainQueueImpl : public Queue {
public:
    MainQueueImpl() : Queue(Kind::Main, "org.frelt.main") {}
};
class SerialQueueImpl : public Queue {
public:
    explicit SerialQueueImpl(std::string label) : Queue(Kind::Serial, std::move(label)) {}
};
class ConcurrentQueueImpl : public Queue {
public:
    explicit ConcurrentQueueImpl(std::string label) : Queue(Kind::Concurrent, std::move(label)) {}
};

}  // namespace

bool isMainThread() { return std::this_thread::get_id() == gMainThreadId; }

Queue::Queue(Kind kind, std::string label) : kind_(kind), label_(std::move(label)) {
    if (kind != Kind::Main) {
        state_ = std::make_shared<State>();
        state_->serial = kind == Kind::Serial;
    }
}

Queue::~Queue() = default;

std::shared_ptr<Queue> Queue::main() {
    static auto* q = new std::shared_ptr<Queue>(std::make_shared<MainQueueImpl>());
    return *q;
}

std::shared_ptr<Queue> Queue::makeSerial(std::string label) {
    return std::make_shared<SerialQueueImpl>(std::move(label));
}

std::shared_ptr<Queue> Queue::makeConcurrent(std::string label) {
    return std::make_shared<ConcurrentQueueImpl>(std::move(label));
}

std::shared_ptr<Queue> Queue::global() {
    static auto* q = new std::shared_ptr<Queue>(makeConcurrent("org.frelt.global"));
    return *q;
}

void Queue::async(Block block) {
    if (kind_ == Kind::Main) mainQueueState().push(std::move(block), false);
    else state_->enqueue(std::move(block), false);
}

void Queue::asyncBarrier(Block block) {
    if (kind_ == Kind::Main) mainQueueState().push(std::move(block), false);
    else state_->enqueue(std::move(block), true);
}

void Queue::sync(const Block& block) {
    if (kind_ != Kind::Main) {
        state_->runSync(block, false);
        return;
    }
    if (isMainThread()) {
        // Waiting on ourselves would never end; run it in place.
        block();
        return;
    }
    Semaphore done;
    mainQueueState().push(
        [&] {
            block();
            done.signal();
        },
        true);
    {
        // Wake a main thread that is waiting for background work.
        auto& o = outstanding();
        std::lock_guard lock(o.m);
        o.cv.notify_all();
    }
    done.wait();
}

void Queue::syncBarrier(const Block& block) {
    if (kind_ != Kind::Main) state_->runSync(block, true);
    else sync(block);
}

void Queue::after(Duration delay, Block block) {
    auto& d = delayed();
    d.add(d.now() + delay, shared_from_this(), std::move(block));
}

struct Semaphore::Impl {
    std::mutex m;
    std::condition_variable cv;
    long value;
};

Semaphore::Semaphore(long value) : impl_(std::make_unique<Impl>()) { impl_->value = value; }
Semaphore::~Semaphore() = default;

void Semaphore::signal() {
    std::lock_guard lock(impl_->m);
    ++impl_->value;
    impl_->cv.notify_one();
}

void Semaphore::wait() {
    std::unique_lock lock(impl_->m);
    impl_->cv.wait(lock, [&] { return impl_->value > 0; });
    --impl_->value;
}

bool Semaphore::waitFor(Duration timeout) {
    std::unique_lock lock(impl_->m);
    if (!impl_->cv.wait_for(lock, timeout, [&] { return impl_->value > 0; })) return false;
    --impl_->value;
    return true;
}

namespace clock {

TimePoint now() { return delayed().now(); }

void useManual(bool manual) {
    auto& d = delayed();
    std::lock_guard lock(d.m);
    if (manual && !d.manual) d.manualNow = std::chrono::steady_clock::now();
    d.manual = manual;
    d.cv.notify_all();
}

bool isManual() {
    auto& d = delayed();
    std::lock_guard lock(d.m);
    return d.manual;
}

void setManualNow(TimePoint t) {
    auto& d = delayed();
    {
        std::lock_guard lock(d.m);
        if (!d.manual || t < d.manualNow) return;
        d.manualNow = t;
    }
    d.fireDue(t);
}

std::optional<TimePoint> nextDelayedDeadline() {
    auto& d = delayed();
    std::lock_guard lock(d.m);
    if (d.entries.empty()) return std::nullopt;
    return d.entries.begin()->first;
}

}  // namespace clock

namespace mainqueue {

std::size_t drain() {
    auto batch = mainQueueState().takeAll();
    for (auto& e : batch) e.block();
    return batch.size();
}

bool hasPending() {
    auto& q = mainQueueState();
    std::lock_guard lock(q.m);
    return !q.blocks.empty();
}

void setWakeHandler(std::function<void()> handler) {
    auto& q = mainQueueState();
    std::lock_guard lock(q.m);
    q.wake = std::move(handler);
}

}  // namespace mainqueue

bool waitForBackgroundIdle(Duration timeout) {
    auto& o = outstanding();
    auto& q = mainQueueState();
    const bool onMain = isMainThread();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto mustRunMainQueue = [&] { return onMain && q.syncQueued.load() > 0; };
    std::unique_lock lock(o.m);
    for (;;) {
        if (o.count == 0) return true;
        if (mustRunMainQueue()) {
            // Background work waits for the main queue: run it (in queue
            // order) instead of waiting for work that cannot finish.
            lock.unlock();
            mainqueue::drain();
            lock.lock();
            if (std::chrono::steady_clock::now() >= deadline) return o.count == 0;
            continue;
        }
        if (!o.cv.wait_until(lock, deadline, [&] { return o.count == 0 || mustRunMainQueue(); }))
            return false;
    }
}

void discardPendingWork() {
    {
        auto& d = delayed();
        std::lock_guard lock(d.m);
        d.entries.clear();
    }
    // A sync block's caller waits for it: run it, or the caller waits forever.
    for (auto& e : mainQueueState().takeAll())
        if (e.sync) e.block();
}

namespace workers {
std::size_t count() { return WorkerPool::shared().threadCount(); }
void setIdleTimeout(Duration timeout) { WorkerPool::shared().setIdleTimeout(timeout); }
Duration idleTimeout() { return WorkerPool::shared().idleTimeout(); }
bool waitForCountAtMost(std::size_t n, Duration timeout) {
    return WorkerPool::shared().waitForThreadCountAtMost(n, timeout);
}
}  // namespace workers

}  // namespace platform::dispatch
