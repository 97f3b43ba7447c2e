#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/Published.h"
#include "support/Watchdog.h"

using platform::Published;
using platform::Subscription;

TEST(PublishedTest, DeliversTheCurrentValueAtOnceThenEveryAssignmentInOrder) {
    Published<std::string> name("first");
    std::vector<std::string> a, b;
    Subscription sa = name.subscribe([&](const std::string& v) { a.push_back(v); });
    EXPECT_EQ(a, (std::vector<std::string>{"first"}));
    name = "second";
    Subscription sb = name.subscribe([&](const std::string& v) { b.push_back(v); });
    name.set("third");
    EXPECT_EQ(a, (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_EQ(b, (std::vector<std::string>{"second", "third"}));
    EXPECT_EQ(name.value(), "third");

    // Subscribers are called in the order they subscribed.
    std::vector<int> order;
    Published<int> n;
    Subscription s1 = n.subscribe([&](int) { order.push_back(1); });
    Subscription s2 = n.subscribe([&](int) { order.push_back(2); });
    order.clear();
    n = 5;
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(PublishedTest, DroppingOrCancellingTheHandleEndsTheSubscription) {
    Published<int> n(0);
    int calls = 0;
    {
        Subscription s = n.subscribe([&](int) { ++calls; });
        n = 1;
    }
    n = 2;
    EXPECT_EQ(calls, 2);

    Subscription kept = n.subscribe([&](int) { ++calls; });
    kept.cancel();
    EXPECT_FALSE(kept.isActive());
    n = 3;
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(n.subscriberCount(), 0u);

    // Moving a handle keeps the subscription; assigning over one ends it.
    Subscription moved = n.subscribe([&](int) { ++calls; });
    Subscription target = std::move(moved);
    n = 4;
    EXPECT_EQ(calls, 5);
    target = Subscription();
    n = 5;
    EXPECT_EQ(calls, 5);
}

TEST(PublishedTest, HandlersMayEndSubscriptionsDuringADelivery) {
    Published<int> n(0);
    std::vector<std::string> log;
    Subscription first, second, third;
    first = n.subscribe([&](int v) {
        log.push_back("first " + std::to_string(v));
        if (v == 1) first.cancel();  // itself
    });
    second = n.subscribe([&](int v) {
        log.push_back("second " + std::to_string(v));
        if (v == 1) third = Subscription();  // one that has not been called yet
    });
    third = n.subscribe([&](int v) { log.push_back("third " + std::to_string(v)); });
    log.clear();
    n = 1;
    n = 2;
    EXPECT_EQ(log, (std::vector<std::string>{"first 1", "second 1", "second 2"}));
}

// An assignment from inside a handler reaches everyone; the older delivery
// does not continue afterwards, so nobody ends on a stale value.
TEST(PublishedTest, AssignmentInsideAHandlerLeavesEveryoneOnTheNewestValue) {
    Published<int> n(0);
    std::vector<int> seenByLater;
    Subscription clamp = n.subscribe([&](int v) {
        if (v > 10) n = 10;
    });
    Subscription later = n.subscribe([&](int v) { seenByLater.push_back(v); });
    n = 42;
    EXPECT_EQ(n.value(), 10);
    EXPECT_EQ(seenByLater, (std::vector<int>{0, 10}));
}

TEST(PublishedTest, ThePublisherDoesNotKeepSubscribersAlive) {
    struct Owner {
        std::vector<int> seen;
    };
    Published<int> n(1);
    auto owner = std::make_shared<Owner>();
    Subscription s = n.subscribe(owner, [](Owner& o, int v) { o.seen.push_back(v); });
    EXPECT_EQ(owner.use_count(), 1);
    n = 2;
    EXPECT_EQ(owner->seen, (std::vector<int>{1, 2}));
    std::weak_ptr<Owner> weak = owner;
    owner.reset();
    EXPECT_TRUE(weak.expired());
    n = 3;  // nothing to call, nothing to crash
}

namespace {

struct Subscriber {
    explicit Subscriber(Published<int>& p) {
        subscription = p.subscribe([this](int v) {
            if (!alive.load()) calledAfterDeath.store(true);
            last = v;  // plain data: the subscription's lock orders it
            ++calls;
        });
    }
    ~Subscriber() {
        subscription.cancel();
        alive.store(false);
    }
    std::atomic<bool> alive{true};
    int last = -1;
    std::atomic<int> calls{0};
    Subscription subscription;
    static inline std::atomic<bool> calledAfterDeath{false};
};

}  // namespace

// Subscribers that own their handle come and go on one thread while another
// thread keeps assigning: a destroyed subscriber must never be called, and
// each assignment is delivered on the assigning thread.
TEST(PublishedTest, SubscribersDestroyedOnAnotherThreadAreNeverCalledAgain) {
    Published<int> n(0);
    std::atomic<bool> stop{false};
    std::atomic<bool> wrongThread{false};
    std::thread writer([&] {
        const auto me = std::this_thread::get_id();
        Subscription watch = n.subscribe([&](int) {
            if (std::this_thread::get_id() != me) wrongThread = true;
        });
        for (int i = 1; !stop.load() && i < 200000; ++i) n = i;
    });
    for (int i = 0; i < 300; ++i) {
        auto s = std::make_unique<Subscriber>(n);
        EXPECT_GE(s->calls.load(), 1);
        (void)n.value();
    }
    stop = true;
    writer.join();
    EXPECT_FALSE(Subscriber::calledAfterDeath.load());
    EXPECT_FALSE(wrongThread.load());
}

// Handlers run outside the publisher's lock: two values whose handlers assign
// to each other, assigned from two threads, once deadlocked (each thread held
// one value's lock and waited for the other's).
TEST(PublishedTest, HandlersOfTwoValuesMayAssignToEachOtherFromTwoThreads) {
    Watchdog watchdog("two publishers assigning to each other from two threads");
    Published<int> a(0), b(0);
    // An odd value is passed on to the other value as the next even one.
    Subscription aToB = a.subscribe([&](int v) {
        if (v % 2 != 0) b = v + 1;
    });
    Subscription bToA = b.subscribe([&](int v) {
        if (v % 2 != 0) a = v + 1;
    });
    std::vector<int> lastA, lastB;
    Subscription watchA = a.subscribe([&](int v) { lastA.push_back(v); });
    Subscription watchB = b.subscribe([&](int v) { lastB.push_back(v); });
    std::thread first([&] {
        for (int i = 1; i < 4000; i += 2) a = i;
    });
    std::thread second([&] {
        for (int i = 100001; i < 104000; i += 2) b = i;
    });
    first.join();
    second.join();
    // Each watcher ends on the value its publisher holds.
    EXPECT_EQ(lastA.back(), a.value());
    EXPECT_EQ(lastB.back(), b.value());
}

// Two threads assign while a subscriber watches: it may miss values but never
// sees one thread's values go backwards, and it ends on the current value.
TEST(PublishedTest, ConcurrentAssignmentsReachEachSubscriberInOrder) {
    Published<int> n(0);
    std::vector<int> seen;  // plain data: one thread at a time calls a subscriber
    Subscription s = n.subscribe([&](int v) { seen.push_back(v); });
    auto writer = [&](int base) {
        return std::thread([&n, base] {
            for (int i = 1; i <= 3000; ++i) n = base + i;
        });
    };
    std::thread low = writer(0), high = writer(1000000);
    low.join();
    high.join();
    int lastLow = -1, lastHigh = 1000000;  // the first value seen is the initial 0
    for (int v : seen) {
        int& last = v < 1000000 ? lastLow : lastHigh;
        EXPECT_GT(v, last) << "an older value after a newer one";
        last = v;
    }
    EXPECT_EQ(seen.back(), n.value());
}
