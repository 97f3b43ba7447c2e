#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "support/FreltTest.h"
#include "support/Watchdog.h"

using namespace platform::dispatch;
using namespace std::chrono_literals;

class DispatchTest : public FreltTest {};

TEST_F(DispatchTest, SerialQueueRunsBlocksOneAtATimeInOrder) {
    auto q = Queue::makeSerial("serial");
    std::vector<int> order;  // touched only by the queue's blocks
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    for (int i = 0; i < 500; ++i) {
        q->async([&, i] {
            if (inside.fetch_add(1) != 0) overlapped = true;
            order.push_back(i);
            inside.fetch_sub(1);
        });
    }
    // A sync block on a serial queue runs after everything issued before it.
    const auto seen = q->syncValue([&] { return order; });
    ASSERT_EQ(seen.size(), 500u);
    for (int i = 0; i < 500; ++i) EXPECT_EQ(seen[static_cast<std::size_t>(i)], i);
    EXPECT_FALSE(overlapped);
}

// Many threads write through barriers and read through sync reads on one
// concurrent queue. The plain (non-atomic) data is protected only by the
// queue: a barrier that overlapped a read, or a read that missed an earlier
// write, shows up here (and as a race under ThreadSanitizer).
TEST_F(DispatchTest, BarriersExcludeReadsAndReadsSeeEarlierWritesUnderContention) {
    auto q = Queue::makeConcurrent("contended");
    constexpr int kThreads = 8;
    constexpr int kRounds = 150;
    std::vector<int> slots(kThreads, -1);             // guarded by q
    std::vector<std::vector<int>> barrierLog(kThreads);  // guarded by q
    std::atomic<int> readers{0};
    std::atomic<int> writers{0};
    std::atomic<int> violations{0};
    std::atomic<int> staleReads{0};

    auto write = [&](int t, int value) {
        if (writers.fetch_add(1) != 0 || readers.load() != 0) ++violations;
        slots[static_cast<std::size_t>(t)] = value;
        barrierLog[static_cast<std::size_t>(t)].push_back(value);
        writers.fetch_sub(1);
    };
    auto read = [&](int t) {
        readers.fetch_add(1);
        if (writers.load() != 0) ++violations;
        const int v = slots[static_cast<std::size_t>(t)];
        readers.fetch_sub(1);
        return v;
    };

    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRounds; ++i) {
                if (i % 3 == 0) q->syncBarrier([&] { write(t, i); });
                else q->asyncBarrier([&, i] { write(t, i); });
                // Reads of the other slots overlap each other freely.
                q->async([&, t] { (void)read((t + 1) % kThreads); });
                if (q->syncValue([&] { return read(t); }) != i) ++staleReads;
            }
        });
    }
    for (auto& th : threads) th.join();
    ASSERT_TRUE(waitForBackgroundIdle());

    EXPECT_EQ(violations.load(), 0);
    EXPECT_EQ(staleReads.load(), 0);
    // Barriers issued by one thread ran in the order issued.
    for (int t = 0; t < kThreads; ++t) {
        const auto log = q->syncValue([&] { return barrierLog[static_cast<std::size_t>(t)]; });
        ASSERT_EQ(log.size(), static_cast<std::size_t>(kRounds));
        for (int i = 0; i < kRounds; ++i) EXPECT_EQ(log[static_cast<std::size_t>(i)], i);
    }
}

TEST_F(DispatchTest, BarrierWaitsForRunningReadersAndHoldsBackLaterOnes) {
    auto q = Queue::makeConcurrent("ordering");
    Semaphore gate;
    Semaphore firstStarted;
    std::mutex m;
    std::vector<std::string> log;
    auto note = [&](const char* s) {
        std::lock_guard lock(m);
        log.emplace_back(s);
    };
    q->async([&] {
        firstStarted.signal();
        gate.wait();
        note("read 1");
    });
    ASSERT_TRUE(firstStarted.waitFor(10s));
    q->asyncBarrier([&] { note("barrier"); });
    q->async([&] { note("read 2"); });
    gate.signal();
    ASSERT_TRUE(waitForBackgroundIdle());
    EXPECT_EQ(log, (std::vector<std::string>{"read 1", "barrier", "read 2"}));
}

// Two blocks submitted together where the first waits for the second: the
// shared pool must give the second a thread of its own.
TEST_F(DispatchTest, BlocksThatWaitForEachOtherDoNotStarveThePool) {
    auto a = Queue::makeConcurrent("a");
    auto b = Queue::makeSerial("b");
    for (int round = 0; round < 50; ++round) {
        auto sem = std::make_shared<Semaphore>();
        auto ok = std::make_shared<std::atomic<bool>>(false);
        a->async([sem, ok] { *ok = sem->waitFor(10s); });
        b->async([sem] { sem->signal(); });
        ASSERT_TRUE(waitForBackgroundIdle());
        ASSERT_TRUE(ok->load()) << "round " << round;
    }
}

TEST_F(DispatchTest, SyncRunsOnTheCallingThreadAndReturnsItsValue) {
    auto q = Queue::makeConcurrent("values");
    const auto caller = std::this_thread::get_id();
    EXPECT_EQ(q->syncValue([&] { return std::this_thread::get_id(); }), caller);
    EXPECT_EQ(q->syncValue([] { return std::string("value"); }), "value");
    EXPECT_TRUE(isMainThread());
    std::atomic<bool> onMain{true};
    q->async([&] { onMain = isMainThread(); });
    ASSERT_TRUE(waitForBackgroundIdle());
    EXPECT_FALSE(onMain.load());
}

TEST_F(DispatchTest, AfterRunsOnTheManualClockInDeadlineOrder) {
    auto q = Queue::makeSerial("delayed");
    std::mutex m;
    std::vector<std::string> fired;
    auto note = [&](std::string s) {
        return [&, s] {
            std::lock_guard lock(m);
            fired.push_back(s);
        };
    };
    q->after(seconds(3), note("3s"));
    q->after(seconds(1), note("1s a"));
    q->after(seconds(1), note("1s b"));
    Queue::main()->after(seconds(2), note("2s main"));

    advance(0.5);
    {
        std::lock_guard lock(m);
        EXPECT_TRUE(fired.empty());
    }
    advance(2.0);
    {
        std::lock_guard lock(m);
        EXPECT_EQ(fired, (std::vector<std::string>{"1s a", "1s b", "2s main"}));
    }
    advance(1.0);
    std::lock_guard lock(m);
    EXPECT_EQ(fired, (std::vector<std::string>{"1s a", "1s b", "2s main", "3s"}));
}

TEST_F(DispatchTest, SemaphoreCounts) {
    Semaphore s(2);
    s.wait();
    EXPECT_TRUE(s.waitFor(0ms));
    EXPECT_FALSE(s.waitFor(5ms));

    std::atomic<bool> released{false};
    std::thread waiter([&] {
        s.wait();
        released = true;
    });
    s.signal();
    waiter.join();
    EXPECT_TRUE(released.load());

    s.signal();
    s.signal();
    EXPECT_TRUE(s.waitFor(0ms));
    EXPECT_TRUE(s.waitFor(0ms));
    EXPECT_FALSE(s.waitFor(0ms));
}

// A background block that waits synchronously for the main queue (an alert
// shown from a worker) must not leave the main thread waiting for it.
TEST_F(DispatchTest, MainQueueSyncFromBackgroundCompletesWhileMainWaitsForIdle) {
    std::atomic<bool> ranOnMain{false};
    std::atomic<bool> returned{false};
    Queue::global()->async([&] {
        Queue::main()->sync([&] { ranOnMain = isMainThread(); });
        returned = true;
    });
    EXPECT_TRUE(waitForBackgroundIdle(std::chrono::seconds(5)));
    EXPECT_TRUE(ranOnMain.load());
    EXPECT_TRUE(returned.load());
}

TEST_F(DispatchTest, MainQueueRunsInOrderWhenDrained) {
    std::vector<int> order;
    for (int i = 0; i < 5; ++i) Queue::main()->async([&, i] { order.push_back(i); });
    // Blocks queued by a running block wait for the next drain.
    Queue::main()->async([&] { Queue::main()->async([&] { order.push_back(99); }); });
    EXPECT_EQ(mainqueue::drain(), 6u);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(mainqueue::hasPending());
    drain();
    EXPECT_EQ(order.back(), 99);
}

// A background block waits in a sync on the main queue; discarding the pending
// main-queue work between tests once dropped its block, so the caller waited
// forever and waitForBackgroundIdle spun past its deadline on the main thread.
TEST_F(DispatchTest, DiscardingPendingWorkRunsTheBlocksSyncCallersWaitFor) {
    Watchdog watchdog("discarding a main-queue block a sync caller waits for");
    std::atomic<bool> ran{false};
    std::atomic<bool> returned{false};
    Queue::global()->async([&] {
        Queue::main()->sync([&] { ran = true; });
        returned = true;
    });
    ASSERT_TRUE(eventually([] { return mainqueue::hasPending(); }));
    bool plainRan = false;
    Queue::main()->async([&] { plainRan = true; });
    discardPendingWork();
    EXPECT_TRUE(ran.load());
    EXPECT_TRUE(waitForBackgroundIdle(std::chrono::seconds(10)));
    EXPECT_TRUE(returned.load());
    EXPECT_FALSE(plainRan) << "plain blocks are dropped";
}

// Busy background work, with or without a main-queue block waiting on it:
// the wait gives up at its deadline and says so instead of spinning on.
TEST_F(DispatchTest, WaitingForBackgroundIdleEndsAtItsDeadline) {
    Watchdog watchdog("waiting for background idle past its deadline");
    for (const bool withSync : {false, true}) {
        std::atomic<bool> release{false};
        Queue::global()->async([&] {
            if (withSync) Queue::main()->sync([] {});
            while (!release) std::this_thread::sleep_for(1ms);
        });
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(waitForBackgroundIdle(100ms)) << "with a sync block: " << withSync;
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
        release = true;
        EXPECT_TRUE(waitForBackgroundIdle(10s));
    }
}

// The pool grows while every thread is busy; once the work is done, the
// threads beyond the number of cores end after the (shortened) idle timeout.
TEST_F(DispatchTest, IdleWorkersBeyondTheCoresEndAfterTheIdleTimeout) {
    struct ShortIdleTimeout {
        Duration before = workers::idleTimeout();
        ShortIdleTimeout() { workers::setIdleTimeout(std::chrono::milliseconds(10)); }
        ~ShortIdleTimeout() { workers::setIdleTimeout(before); }
    } shortIdleTimeout;
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t blocks = cores + 4;
    auto q = Queue::makeConcurrent("org.frelt.test.wide");
    Semaphore started, gate;
    for (std::size_t i = 0; i < blocks; ++i) {
        q->async([&] {
            started.signal();
            gate.wait();
        });
    }
    for (std::size_t i = 0; i < blocks; ++i) ASSERT_TRUE(started.waitFor(10s)) << "every block has a thread";
    EXPECT_GE(workers::count(), blocks);
    for (std::size_t i = 0; i < blocks; ++i) gate.signal();
    ASSERT_TRUE(waitForBackgroundIdle());
    EXPECT_TRUE(workers::waitForCountAtMost(cores, 10s)) << workers::count() << " workers left";
    // The threads kept still serve.
    EXPECT_EQ(q->syncValue([] { return 7; }), 7);
    std::atomic<bool> served{false};
    q->async([&] { served = true; });
    ASSERT_TRUE(waitForBackgroundIdle());
    EXPECT_TRUE(served.load());
}

TEST_F(DispatchTest, ThePlatformsOwnQueuesCarryOurLabels) {
    EXPECT_EQ(Queue::main()->label(), "org.frelt.main");
    EXPECT_EQ(Queue::global()->label(), "org.frelt.global");
}
