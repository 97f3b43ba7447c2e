#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "store/ThreadSafe.h"
#include "support/FreltTest.h"

using namespace frelt;

class ThreadSafeTest : public FreltTest {};

TEST_F(ThreadSafeTest, ReadsGiveTheInitialValueAndThenTheLastWrite) {
    ThreadSafe<std::string> path("/usr/bin");
    EXPECT_EQ(path.get(), "/usr/bin");
    path.set("/opt");
    path.set("/srv");
    EXPECT_EQ(path.get(), "/srv");

    ThreadSafe<std::optional<double>> lastUsed;
    EXPECT_EQ(lastUsed.get(), std::nullopt);
    lastUsed.set(12.5);
    EXPECT_EQ(lastUsed.get(), 12.5);
}

TEST_F(ThreadSafeTest, AllValuesShareOneQueueMadeOnceAcrossThreads) {
    std::shared_ptr<platform::dispatch::Queue> fromThread[2];
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 2; ++i) {
        threads.emplace_back([&, i] {
            ++ready;
            while (ready < 2) std::this_thread::yield();
            ThreadSafe<int> value(i);
            fromThread[i] = value.concurrentQueue();
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(fromThread[0], fromThread[1]);
    EXPECT_EQ(fromThread[0], DispatchQueueManager::threadSafeQueue());
    EXPECT_EQ(fromThread[0]->label(), "ThreadSafe Dispatch Queue");
    EXPECT_EQ(fromThread[0]->kind(), platform::dispatch::Queue::Kind::Concurrent);
}

TEST_F(ThreadSafeTest, AWriteToAValueGoneBeforeItRunsLeavesNoTrace) {
    // Counts the assignments it receives, to see that the dropped write
    // stored nothing.
    struct Recorded {
        std::shared_ptr<std::atomic<int>> assignments;
        Recorded& operator=(Recorded&& other) noexcept {
            ++*other.assignments;
            assignments = std::move(other.assignments);
            return *this;
        }
        Recorded(std::shared_ptr<std::atomic<int>> a) : assignments(std::move(a)) {}
        Recorded(const Recorded&) = default;
        Recorded(Recorded&&) = default;
    };
    auto assignments = std::make_shared<std::atomic<int>>(0);
    platform::dispatch::Semaphore started, release;
    DispatchQueueManager::threadSafeQueue()->async([&] {
        started.signal();
        release.wait();
    });
    started.wait();
    {
        auto value = std::make_unique<ThreadSafe<Recorded>>(Recorded(assignments));
        // Only a write from another thread is queued; the owner's own would
        // wait for the block above.
        std::thread([&] { value->set(Recorded(assignments)); }).join();
    }
    release.signal();
    drain();
    EXPECT_EQ(*assignments, 0);

    ThreadSafe<Recorded> kept{Recorded(assignments)};
    kept.set(Recorded(assignments));
    (void)kept.get();
    EXPECT_EQ(*assignments, 1);
}

// Changes in place from many threads at once: each is one exclusive step, so
// no increment is lost.
TEST_F(ThreadSafeTest, ModifyUnderContentionLosesNoUpdate) {
    ThreadSafe<int> counter(0);
    ThreadSafe<std::vector<int>> list;
    constexpr int kThreads = 8;
    constexpr int kPerThread = 400;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                counter.modify([](int& v) { ++v; });
                list.modify([&](std::vector<int>& v) { v.push_back(t); });
                if (i % 40 == 0) (void)counter.get();
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(counter.get(), kThreads * kPerThread);
    EXPECT_EQ(list.get().size(), static_cast<std::size_t>(kThreads * kPerThread));
}

TEST_F(ThreadSafeTest, AFailedModifyKeepsWhatItChangedAndLeavesTheQueueUsable) {
    ThreadSafe<std::vector<int>> list(std::vector<int>{1});
    EXPECT_THROW(list.modify([](std::vector<int>& v) {
        v.push_back(2);
        throw std::runtime_error("stop");
    }),
                 std::runtime_error);
    list.set({3});
    EXPECT_EQ(list.get(), std::vector<int>{3});
}

TEST_F(ThreadSafeTest, ReadsFromOtherThreadsSeeWritesIssuedBeforeThem) {
    ThreadSafe<int> value(0);
    for (int round = 1; round <= 50; ++round) {
        value.set(round);
        int seen = -1;
        std::thread reader([&] { seen = value.get(); });
        reader.join();
        ASSERT_EQ(seen, round);
    }
}

// Decoding an entry writes its wrapped fields on the thread that made it:
// each write must land there, not travel to a worker and back. Writes from
// other threads still go through the queue.
TEST_F(ThreadSafeTest, TheOwnersWritesRunOnItsOwnThreadOthersOnTheQueue) {
    struct Stamped {
        std::thread::id assignedOn;
        Stamped() = default;
        Stamped(const Stamped&) = default;
        Stamped& operator=(Stamped&&) noexcept {
            assignedOn = std::this_thread::get_id();
            return *this;
        }
    };
    ThreadSafe<Stamped> value{Stamped{}};

    value.set(Stamped{});
    EXPECT_EQ(value.get().assignedOn, std::this_thread::get_id()) << "the owner's write ran elsewhere";

    std::thread::id writer;
    std::thread([&] {
        writer = std::this_thread::get_id();
        value.set(Stamped{});
    }).join();
    const std::thread::id assignedOn = value.get().assignedOn;
    EXPECT_NE(assignedOn, writer) << "another thread's write is queued, not run in place";
    EXPECT_NE(assignedOn, std::this_thread::get_id());
}
