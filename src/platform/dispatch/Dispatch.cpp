#include "platform/dispatch/Dispatch.h"

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

// A pool of detached threads that grows when every thread is busy, so a block
// that waits on another queue never starves the pool.
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

private:
    static constexpr int kMaxThreads = 64;

    void loop() {
        std::unique_lock lock(m_);
        for (;;) {
            cv_.wait(lock, [this] { return !tasks_.empty(); });
            Block task = std::move(tasks_.front());
            tasks_.pop_front();
            --idle_;
            lock.unlock();
            task();
            task = nullptr;
            lock.lock();
            ++idle_;
        }
    }

    std::mutex m_;
    std::condition_variable cv_;
    std::deque<Block> tasks_;
    int threads_ = 0;
    int idle_ = 0;
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
    std::mutex m;
    std::deque<Block> blocks;
    std::function<void()> wake;
    // Blocks queued by `sync` from other threads that have not run yet: their
    // callers are blocked, so a main thread waiting for background work must
    // run them rather than wait for the callers.
    std::atomic<int> syncPending{0};

    void push(Block b) {
        std::function<void()> w;
        {
            std::lock_guard lock(m);
            blocks.push_back(std::move(b));
            w = wake;
        }
        if (w) w();
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
    MainQueueImpl() : Queue(Kind::Main, "com.apple.main-thread") {}
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
    static auto* q = new std::shared_ptr<Queue>(makeConcurrent("com.apple.root.default-qos"));
    return *q;
}

void Queue::async(Block block) {
    if (kind_ == Kind::Main) mainQueueState().push(std::move(block));
    else state_->enqueue(std::move(block), false);
}

void Queue::asyncBarrier(Block block) {
    if (kind_ == Kind::Main) mainQueueState().push(std::move(block));
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
    auto& q = mainQueueState();
    ++q.syncPending;
    q.push([&] {
        --mainQueueState().syncPending;
        block();
        done.signal();
    });
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
    auto& q = mainQueueState();
    std::deque<Block> batch;
    {
        std::lock_guard lock(q.m);
        batch.swap(q.blocks);
    }
    const std::size_t n = batch.size();
    for (auto& b : batch) b();
    return n;
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
    std::unique_lock lock(o.m);
    for (;;) {
        const bool ready = o.cv.wait_until(lock, deadline, [&] {
            return o.count == 0 || (onMain && q.syncPending.load() > 0);
        });
        if (o.count == 0) return true;
        if (!ready) return false;
        // Background work waits for the main queue: run it (in queue order)
        // instead of waiting for work that cannot finish.
        lock.unlock();
        mainqueue::drain();
        lock.lock();
    }
}

void discardPendingWork() {
    {
        auto& d = delayed();
        std::lock_guard lock(d.m);
        d.entries.clear();
    }
    auto& q = mainQueueState();
    std::deque<Block> dropped;
    {
        std::lock_guard lock(q.m);
        dropped.swap(q.blocks);
    }
}

}  // namespace platform::dispatch
