#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "store/SynchronizedDictionary.h"
#include "support/FreltTest.h"

using namespace frelt;

namespace {

using Dictionary = SynchronizedDictionary<std::string, int>;

class RecordingDelegate : public SynchronizedDictionaryDelegate {
public:
    explicit RecordingDelegate(std::shared_ptr<Dictionary> dictionary) : dictionary_(std::move(dictionary)) {}
    void synchronizedDictionaryDidChange() override {
        onMain = onMain && platform::dispatch::isMainThread();
        // What the delegate sees: the map as it is when it is told.
        seenCounts.push_back(dictionary_ ? dictionary_->count() : 0);
    }
    std::vector<std::size_t> seenCounts;
    bool onMain = true;

private:
    std::shared_ptr<Dictionary> dictionary_;
};

std::map<std::string, int> sorted(const Dictionary& d) {
    const auto s = d.snapshot();
    return {s->begin(), s->end()};
}

}  // namespace

class SynchronizedDictionaryTest : public FreltTest {};

TEST_F(SynchronizedDictionaryTest, EachMapHasItsOwnQueueUnderTheSharedLabel) {
    auto a = Dictionary::create();
    auto b = Dictionary::create();
    EXPECT_EQ(a->concurrentQueue()->label(), "Dictionary Barrier Queue");
    EXPECT_EQ(b->concurrentQueue()->label(), "Dictionary Barrier Queue");
    EXPECT_EQ(a->concurrentQueue()->kind(), platform::dispatch::Queue::Kind::Concurrent);
    EXPECT_NE(a->concurrentQueue(), b->concurrentQueue());
    EXPECT_EQ(a->delegate(), nullptr);
}

TEST_F(SynchronizedDictionaryTest, ReadsSeeTheWritesIssuedBeforeThem) {
    auto d = Dictionary::create();
    EXPECT_EQ(d->get("a"), std::nullopt);
    d->set("a", 1);
    EXPECT_EQ(d->get("a"), 1);
    d->set("a", 2);
    d->set("b", 3);
    EXPECT_EQ(d->get("a"), 2);
    d->set("a", std::nullopt);
    EXPECT_EQ(d->get("a"), std::nullopt);
    EXPECT_FALSE(d->containsKey("a"));
    EXPECT_EQ(d->count(), 1u);
    d->removeAll();
    EXPECT_TRUE(d->isEmpty());
}

TEST_F(SynchronizedDictionaryTest, TheDelegateIsToldOnTheMainThreadOncePerWriteInOrder) {
    auto d = Dictionary::create();
    auto delegate = std::make_shared<RecordingDelegate>(d);
    d->setDelegate(delegate);
    // Writes from a background thread, each applied change told once, even
    // when it changed nothing (removing an absent key, emptying an empty map).
    std::thread writer([&] {
        d->removeValue("absent");
        d->removeAll();
        for (int i = 0; i < 10; ++i) d->set("k" + std::to_string(i), i);
    });
    writer.join();
    EXPECT_TRUE(delegate->seenCounts.empty());
    drain();
    EXPECT_EQ(delegate->seenCounts.size(), 12u);
    EXPECT_TRUE(delegate->onMain);
    EXPECT_EQ(d->count(), 10u);
}

TEST_F(SynchronizedDictionaryTest, WithoutADelegateWritesAreJustApplied) {
    auto d = Dictionary::create();
    d->set("x", 1);
    drain();
    EXPECT_EQ(d->get("x"), 1);
    // A delegate that has gone is not called.
    {
        auto gone = std::make_shared<RecordingDelegate>(nullptr);
        d->setDelegate(gone);
    }
    d->set("y", 2);
    drain();
    EXPECT_EQ(d->count(), 2u);
}

TEST_F(SynchronizedDictionaryTest, AWriteToAReleasedMapAppliesNothingAndTellsNobody) {
    auto d = Dictionary::create();
    auto delegate = std::make_shared<RecordingDelegate>(nullptr);
    d->setDelegate(delegate);
    platform::dispatch::Semaphore started, release;
    d->concurrentQueue()->async([&] {
        started.signal();
        release.wait();
    });
    started.wait();
    d->set("a", 1);
    d->removeAll();
    d.reset();
    release.signal();
    drain();
    EXPECT_TRUE(delegate->seenCounts.empty());
}

TEST_F(SynchronizedDictionaryTest, LoopsReadOneSnapshotAndMayChangeTheMap) {
    auto d = Dictionary::create();
    int calls = 0;
    d->forEach([&](const std::string&, int) { ++calls; });
    EXPECT_EQ(calls, 0);

    d->set("a", 1);
    d->set("b", 2);
    d->set("c", 3);
    std::map<std::string, int> visited;
    // The body empties and refills the map and waits until that has been
    // applied: the loop still visits exactly the three pairs it began with.
    for (const auto& [key, value] : *d) {
        d->removeAll();
        d->set(key + key, value * 10);
        ASSERT_TRUE(platform::dispatch::waitForBackgroundIdle());
        visited.emplace(key, value);
    }
    EXPECT_EQ(visited, (std::map<std::string, int>{{"a", 1}, {"b", 2}, {"c", 3}}));
    EXPECT_EQ(d->count(), 1u);

    visited.clear();
    d->forEach([&](const std::string& key, int value) {
        visited.emplace(key, value);
        d->set("extra", 0);
        (void)d->get(key);
    });
    EXPECT_EQ(visited.size(), 1u);
    EXPECT_EQ(d->count(), 2u);
}

TEST_F(SynchronizedDictionaryTest, WritersAndReadersOnManyThreads) {
    auto d = Dictionary::create();
    constexpr int kThreads = 6;
    constexpr int kPerThread = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                const std::string key = std::to_string(t) + ":" + std::to_string(i);
                d->set(key, i);
                ASSERT_EQ(d->get(key), i);
                if (i % 20 == 0) {
                    int n = 0;
                    for (const auto& pair : *d) n += pair.second >= 0;
                    (void)n;
                }
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(d->count(), static_cast<std::size_t>(kThreads * kPerThread));
    EXPECT_EQ(sorted(*d).at("3:17"), 17);
}
