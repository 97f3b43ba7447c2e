#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "store/SynchronizedArray.h"
#include "support/FreltTest.h"

using namespace frelt;
using platform::dispatch::Semaphore;

namespace {

using IntArray = SynchronizedArray<int>;

std::vector<int> contents(const IntArray& a) { return a.toVector(); }

// Keeps the container's queue busy (a read that waits) so that writes issued
// meanwhile stay queued until release() is called.
class QueueHold {
public:
    explicit QueueHold(const std::shared_ptr<platform::dispatch::Queue>& queue) {
        queue->async([this] {
            started_.signal();
            release_.wait();
        });
        started_.wait();
    }
    void release() { release_.signal(); }

private:
    Semaphore started_;
    Semaphore release_;
};

}  // namespace

class SynchronizedArrayTest : public FreltTest {};

TEST_F(SynchronizedArrayTest, QueueIsConcurrentWithTheApplicationLabelAndOwnPerContainer) {
    auto a = IntArray::create();
    auto b = IntArray::create();
    EXPECT_EQ(a->queue()->label(), "org.frelt.Frelt.SynchronizedArray");
    EXPECT_EQ(a->queue()->kind(), platform::dispatch::Queue::Kind::Concurrent);
    EXPECT_NE(a->queue(), b->queue());
    EXPECT_NE(a->filter([](int) { return true; })->queue(), a->queue());
}

TEST_F(SynchronizedArrayTest, ReadsSeeTheWritesIssuedBeforeThemOnTheSameThread) {
    auto a = IntArray::create({1, 2});
    a->append(3);
    EXPECT_EQ(a->count(), 3u);
    a->appendContentsOf({4, 5});
    a->removeAt(0);
    a->set(0, 20);
    a->insert(0, 0);
    EXPECT_EQ(contents(*a), (std::vector<int>{0, 20, 3, 4, 5}));
    a->removeAll();
    EXPECT_TRUE(a->isEmpty());
}

// appendNow() applies at once, yet as one more change in the queue's order:
// after the writes issued before it, counted by the version, and never into
// a snapshot a reader holds.
TEST_F(SynchronizedArrayTest, AppendNowLandsAfterTheWritesBeforeItAsOneMoreChange) {
    auto a = IntArray::create({1});
    const auto held = a->snapshot();
    const std::uint64_t start = a->version();
    a->append(2);
    a->appendNow(3);
    EXPECT_EQ(a->version(), start + 2);
    EXPECT_EQ(contents(*a), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(*held, (std::vector<int>{1}));
}

TEST_F(SynchronizedArrayTest, IndexReadsOutsideTheBoundsGiveNone) {
    auto a = IntArray::create({7, 8, 9});
    EXPECT_EQ((*a)[0], 7);
    EXPECT_EQ((*a)[2], 9);
    for (std::ptrdiff_t index : {-1, 3, 8}) EXPECT_EQ((*a)[index], std::nullopt) << index;
    EXPECT_EQ((*IntArray::create())[0], std::nullopt);
}

TEST_F(SynchronizedArrayTest, AssigningOutsideTheBoundsOrNoValueChangesNothing) {
    auto a = IntArray::create({1, 2, 3});
    a->set(-1, 9);
    a->set(3, 9);
    a->set(1, std::nullopt);
    EXPECT_EQ(contents(*a), (std::vector<int>{1, 2, 3}));
}

TEST_F(SynchronizedArrayTest, QueriesOnFilledAndEmptyLists) {
    auto a = IntArray::create({5, 2, 8, 2});
    auto even = [](int v) { return v % 2 == 0; };
    EXPECT_EQ(a->firstWhere(even), 2);
    EXPECT_EQ(a->lastWhere(even), 2);
    EXPECT_EQ(a->firstIndexWhere([](int v) { return v == 8; }), 2u);
    EXPECT_TRUE(a->containsWhere([](int v) { return v > 7; }));
    EXPECT_FALSE(a->allSatisfy(even));
    EXPECT_TRUE(a->contains(5));
    EXPECT_EQ(a->first(), 5);
    EXPECT_EQ(a->last(), 2);
    EXPECT_EQ(a->map([](int v) { return std::to_string(v); }), (std::vector<std::string>{"5", "2", "8", "2"}));
    EXPECT_EQ(a->compactMap([](int v) { return v > 4 ? std::optional<int>(v) : std::nullopt; }),
              (std::vector<int>{5, 8}));
    EXPECT_EQ(a->reduce(0, [](int acc, int v) { return acc + v; }), 17);
    EXPECT_EQ(a->reduceInto(std::vector<int>{}, [](std::vector<int>& acc, int v) { acc.insert(acc.begin(), v); }),
              (std::vector<int>{2, 8, 2, 5}));
    EXPECT_EQ(a->description(), "[5, 2, 8, 2]");
    EXPECT_EQ(std::ranges::distance(a->indices()), 4);

    auto empty = IntArray::create();
    EXPECT_EQ(empty->firstWhere(even), std::nullopt);
    EXPECT_EQ(empty->firstIndexWhere(even), std::nullopt);
    EXPECT_FALSE(empty->containsWhere(even));
    EXPECT_TRUE(empty->allSatisfy(even));
    EXPECT_EQ(empty->first(), std::nullopt);
    EXPECT_EQ(empty->last(), std::nullopt);
    EXPECT_TRUE(empty->filter(even)->isEmpty());
    EXPECT_TRUE(empty->sorted(std::less<>())->isEmpty());
    EXPECT_TRUE(empty->indices().empty());
}

TEST_F(SynchronizedArrayTest, SortIsStable) {
    using Pair = std::pair<int, char>;
    auto a = SynchronizedArray<Pair>::create({{2, 'a'}, {1, 'b'}, {2, 'c'}, {1, 'd'}, {0, 'e'}, {2, 'f'}});
    auto sorted = a->sorted([](const Pair& x, const Pair& y) { return x.first < y.first; });
    EXPECT_EQ(sorted->toVector(), (std::vector<Pair>{{0, 'e'}, {1, 'b'}, {1, 'd'}, {2, 'a'}, {2, 'c'}, {2, 'f'}}));
}

TEST_F(SynchronizedArrayTest, DerivedContainersAreIndependentOfTheirSource) {
    auto a = IntArray::create({1, 2, 3, 4});
    auto filtered = a->filter([](int v) { return v > 1; });
    auto prefix = a->prefix(2);
    filtered->append(99);
    a->append(5);
    prefix->removeAll();
    EXPECT_EQ(contents(*a), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(contents(*filtered), (std::vector<int>{2, 3, 4, 99}));
    EXPECT_TRUE(prefix->isEmpty());
}

TEST_F(SynchronizedArrayTest, PrefixLengths) {
    auto a = IntArray::create({1, 2, 3});
    EXPECT_TRUE(a->prefix(0)->isEmpty());
    EXPECT_TRUE(a->prefix(-2)->isEmpty());
    EXPECT_EQ(contents(*a->prefix(2)), (std::vector<int>{1, 2}));
    EXPECT_EQ(contents(*a->prefix(3)), contents(*a));
    EXPECT_EQ(contents(*a->prefix(10)), contents(*a));
}

TEST_F(SynchronizedArrayTest, HasSameElementsComparesDistinctElements) {
    auto make = [](std::vector<std::string> v) { return SynchronizedArray<std::string>::create(std::move(v)); };
    EXPECT_TRUE(make({"a", "b", "b"})->hasSameElements(*make({"b", "a"})));
    EXPECT_FALSE(make({"a"})->hasSameElements(*make({"a", "c"})));
    EXPECT_TRUE(make({})->hasSameElements(*make({})));
    auto self = make({"x"});
    EXPECT_TRUE(self->hasSameElements(*self));
}

// The comparison walks the lists and falls back to sets only where order or
// repetitions hide the answer; every shape of difference must still give
// what comparing the sets gives, both ways round.
TEST_F(SynchronizedArrayTest, HasSameElementsAgreesWithComparingSets) {
    using V = std::vector<std::string>;
    const std::vector<std::pair<V, V>> cases{
        {{"a", "b", "c"}, {"a", "b", "c"}},       // equal
        {{"a", "b", "c"}, {"a", "c"}},            // narrowed in the middle
        {{"a", "b", "c"}, {"a", "b"}},            // narrowed at the end
        {{"a", "b", "c"}, {"b", "c"}},            // narrowed at the start
        {{"a", "b", "c"}, {}},                    // emptied
        {{"a", "b", "c"}, {"a", "b", "d"}},       // same count, one replaced
        {{"a", "b", "c"}, {"c", "b", "a"}},       // reordered
        {{"a", "b", "c"}, {"c", "b", "a", "d"}},  // reordered and widened
        {{"a", "b", "b"}, {"a", "b"}},            // a repeat dropped
        {{"a", "b", "a"}, {"a", "b"}},            // a repeat of an earlier one dropped
        {{"a", "b"}, {"a", "b", "a", "b"}},       // repeated as a whole
        {{"a", "a"}, {"a", "b"}},                 // same count, a repeat against a new one
        {{"b", "a", "a"}, {"a", "b", "c"}},       // reordered with repeats, one missing
    };
    for (const auto& [x, y] : cases) {
        SCOPED_TRACE(::testing::PrintToString(x) + " / " + ::testing::PrintToString(y));
        const bool expected = std::set<std::string>(x.begin(), x.end()) == std::set<std::string>(y.begin(), y.end());
        auto a = SynchronizedArray<std::string>::create(x);
        auto b = SynchronizedArray<std::string>::create(y);
        EXPECT_EQ(a->hasSameElements(*b), expected);
        EXPECT_EQ(b->hasSameElements(*a), expected);
    }
}

TEST_F(SynchronizedArrayTest, RemoveAllWhereKeepsTheRestInOrderAndHandsOverTheRemoved) {
    struct Case {
        std::function<bool(int)> predicate;
        std::vector<int> kept;
        std::vector<int> removed;
    };
    const std::vector<Case> cases = {
        {[](int) { return false; }, {1, 2, 3, 4, 5}, {}},
        {[](int) { return true; }, {}, {1, 2, 3, 4, 5}},
        {[](int v) { return v == 2 || v == 4; }, {1, 3, 5}, {2, 4}},
    };
    for (const auto& c : cases) {
        auto a = IntArray::create({1, 2, 3, 4, 5});
        std::optional<std::vector<int>> removed;
        int calls = 0;
        a->removeAllWhere([&](int v) { return ++calls, c.predicate(v); },
                          [&](std::vector<int> r) { removed = std::move(r); });
        EXPECT_EQ(contents(*a), c.kept);
        EXPECT_EQ(calls, 5);
        drain();
        EXPECT_EQ(removed, c.removed);
    }
}

TEST_F(SynchronizedArrayTest, CompletionsRunOnTheMainQueueWithTheirValues) {
    auto a = IntArray::create({1, 2, 3});
    std::vector<std::string> calls;
    bool allOnMain = true;
    auto note = [&](std::string what) {
        allOnMain = allOnMain && platform::dispatch::isMainThread();
        calls.push_back(std::move(what));
    };
    a->append(4, [&] { note("append"); });
    a->removeAt(0, [&](std::optional<int> v) { note("removeAt " + std::to_string(v.value_or(-1))); });
    a->removeLast([&](std::optional<int> v) { note("removeLast " + std::to_string(v.value_or(-1))); });
    a->removeAll([&](std::vector<int> v) { note("removeAll " + std::to_string(v.size())); });
    a->removeFirst([&](std::optional<int> v) { note("removeFirst " + std::to_string(v.value_or(-1))); });
    a->count();  // all applied, none delivered yet: delivery waits for the main queue
    EXPECT_TRUE(calls.empty());
    drain();
    EXPECT_EQ(calls, (std::vector<std::string>{"append", "removeAt 1", "removeLast 4", "removeAll 2",
                                               "removeFirst -1"}));
    EXPECT_TRUE(allOnMain);
}

// Stale or out-of-range indexes and removals from an empty list are ignored
// rather than crashing the process.
TEST_F(SynchronizedArrayTest, InvalidIndexesAndEmptyRemovalsAreNoOps) {
    auto a = IntArray::create({1, 2, 3});
    std::vector<std::optional<int>> removedAt;
    auto collect = [&](std::optional<int> v) { removedAt.push_back(v); };
    a->removeAt(-1, collect);
    a->removeAt(3, collect);
    // Two removals of the last index fetched once: the second finds it stale.
    const auto last = static_cast<std::ptrdiff_t>(*a->firstIndexWhere([](int v) { return v == 3; }));
    a->removeAt(last, collect);
    a->removeAt(last, collect);
    a->insert(9, -1);
    a->insert(9, 5);
    a->removeFirst(4);
    a->removeLast(-1);
    a->keepFirst(7);
    EXPECT_EQ(contents(*a), (std::vector<int>{1, 2}));

    auto empty = IntArray::create();
    std::optional<std::optional<int>> fromEmpty;
    empty->removeLast([&](std::optional<int> v) { fromEmpty = v; });
    empty->removeFirst();
    empty->removeAt(0);
    EXPECT_TRUE(empty->isEmpty());
    drain();
    EXPECT_EQ(removedAt, (std::vector<std::optional<int>>{std::nullopt, std::nullopt, 3, std::nullopt}));
    ASSERT_TRUE(fromEmpty.has_value());
    EXPECT_EQ(*fromEmpty, std::nullopt);
}

TEST_F(SynchronizedArrayTest, FurtherWritesAtTheirBounds) {
    auto a = IntArray::create({1, 2, 3, 4, 5});
    a->insert(0, 0);
    a->insert(6, 6);  // at count: appends
    a->removeFirst(2);
    a->removeLast(2);
    EXPECT_EQ(contents(*a), (std::vector<int>{2, 3, 4}));
    a->keepFirst(2);
    *a += 7;
    *a += std::vector<int>{8, 2};
    *a -= 2;
    a->remove(42);
    EXPECT_EQ(contents(*a), (std::vector<int>{3, 7, 8, 2}));
    a->appendContentsOf(*a);
    EXPECT_EQ(contents(*a), (std::vector<int>{3, 7, 8, 2, 3, 7, 8, 2}));
}

TEST_F(SynchronizedArrayTest, LoopsRunOverTheListAsItWasWhenTheyBegan) {
    auto a = IntArray::create({1, 2, 3});
    auto it = a->begin();
    a->append(4);
    std::vector<int> seen;
    for (; it != a->end(); ++it) seen.push_back(*it);
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));

    // A loop whose body appends to the same container ends after the
    // elements present when it began.
    seen.clear();
    for (int v : *a) {
        seen.push_back(v);
        a->append(v * 10);
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(contents(*a), (std::vector<int>{1, 2, 3, 4, 10, 20, 30, 40}));
}

// A loop body that posts a notification whose observer reads the same
// container, while a write of the body is still queued: this must neither
// deadlock nor show the body's own writes to the loop.
TEST_F(SynchronizedArrayTest, ForEachBodyMayWriteAndNotifyReadersOfTheSameArray) {
    auto a = IntArray::create({1, 2, 3});
    auto& center = platform::NotificationCenter::defaultCenter();
    std::vector<std::size_t> countsSeen;
    auto observation = center.observe("arrayTestVisited", nullptr, [&](const platform::Notification&) {
        countsSeen.push_back(a->count());
    });
    std::vector<int> visited;
    a->forEach([&](int v) {
        a->append(v + 100);
        visited.push_back(v);
        center.post("arrayTestVisited");
        EXPECT_TRUE(a->containsWhere([&](int x) { return x == v + 100; }));
    });
    EXPECT_EQ(visited, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(countsSeen, (std::vector<std::size_t>{4, 5, 6}));
}

TEST_F(SynchronizedArrayTest, WritesToAReleasedContainerChangeNothingAndOnlySomeStillComplete) {
    auto a = IntArray::create({1, 2});
    std::weak_ptr<IntArray> weak = a;
    std::vector<std::string> completions;
    auto hold = std::make_unique<QueueHold>(a->queue());
    a->append(3, [&] { completions.push_back("append"); });
    a->removeFirst([&](std::optional<int> v) { completions.push_back(v ? "removeFirst value" : "removeFirst none"); });
    a->removeAll([&](std::vector<int>) { completions.push_back("removeAll"); });
    a->removeAt(0, [&](std::optional<int>) { completions.push_back("removeAt"); });
    a->removeAllWhere([](int) { return true; }, [&](std::vector<int>) { completions.push_back("removeAllWhere"); });
    a.reset();
    EXPECT_TRUE(weak.expired());
    hold->release();
    drain();
    EXPECT_EQ(completions, (std::vector<std::string>{"append", "removeFirst none"}));
}

TEST_F(SynchronizedArrayTest, AppendsFromManyThreadsAllLand) {
    auto a = IntArray::create();
    constexpr int kThreads = 8;
    constexpr int kPerThread = 500;
    std::atomic<bool> sawEveryOwnAppend{true};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                const int value = t * kPerThread + i;
                a->append(value);
                // A read issued after the write sees it, whatever else runs.
                if (i % 50 == 0 && !a->contains(value)) sawEveryOwnAppend = false;
                if (i % 25 == 0) {
                    for (int v : *a) (void)v;
                    (void)(*a)[i];
                }
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_TRUE(sawEveryOwnAppend);
    auto all = a->toVector();
    ASSERT_EQ(all.size(), static_cast<std::size_t>(kThreads * kPerThread));
    std::sort(all.begin(), all.end());
    for (int i = 0; i < kThreads * kPerThread; ++i) ASSERT_EQ(all[static_cast<std::size_t>(i)], i);
}

TEST_F(SynchronizedArrayTest, ReadersAndWritersOnSeveralThreadsKeepTheOrderOfEachWriter) {
    auto a = IntArray::create();
    static constexpr int kWriters = 4;
    static constexpr int kPerWriter = 300;
    std::vector<std::thread> threads;
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done) {
            auto snapshot = a->snapshot();
            // Each writer's values appear in the order it wrote them.
            std::vector<int> lastOf(kWriters, -1);
            for (int v : *snapshot) {
                const int writer = v / kPerWriter;
                EXPECT_GT(v, lastOf[static_cast<std::size_t>(writer)]);
                lastOf[static_cast<std::size_t>(writer)] = v;
            }
        }
    });
    for (int t = 0; t < kWriters; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPerWriter; ++i) a->append(t * kPerWriter + i);
            a->removeAllWhere([t](int v) { return v == t * kPerWriter; });
        });
    }
    for (auto& t : threads) t.join();
    done = true;
    reader.join();
    EXPECT_EQ(a->count(), static_cast<std::size_t>(kWriters * (kPerWriter - 1)));
}
