// The synchronized array against the obvious alternative, a std::vector
// behind a std::shared_mutex, for the operations the data store leans on:
// counting, reading by index, finding the first match, appending, and looping
// over the whole list.

#include <benchmark/benchmark.h>

#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "store/SynchronizedArray.h"

namespace {

struct Entry {
    std::string name;
    int uses = 0;
};
using EntryPtr = std::shared_ptr<Entry>;

std::vector<EntryPtr> makeEntries(std::size_t n) {
    std::vector<EntryPtr> out;
    out.reserve(n);
    for (std::size_t i = 0; i < n; ++i) out.push_back(std::make_shared<Entry>(Entry{"entry " + std::to_string(i), static_cast<int>(i)}));
    return out;
}

// The baseline: what a hand-written guard would look like.
class LockedVector {
public:
    explicit LockedVector(std::vector<EntryPtr> v) : v_(std::move(v)) {}
    std::size_t count() const {
        std::shared_lock lock(m_);
        return v_.size();
    }
    std::optional<EntryPtr> at(std::size_t i) const {
        std::shared_lock lock(m_);
        if (i >= v_.size()) return std::nullopt;
        return v_[i];
    }
    template <class P>
    std::optional<EntryPtr> firstWhere(P p) const {
        std::shared_lock lock(m_);
        for (const auto& e : v_)
            if (p(e)) return e;
        return std::nullopt;
    }
    void append(EntryPtr e) {
        std::unique_lock lock(m_);
        v_.push_back(std::move(e));
    }
    std::vector<EntryPtr> snapshot() const {
        std::shared_lock lock(m_);
        return v_;
    }

private:
    mutable std::shared_mutex m_;
    std::vector<EntryPtr> v_;
};

constexpr std::size_t kEntries = 10000;

void SyncArray_Count(benchmark::State& state) {
    auto a = frelt::SynchronizedArray<EntryPtr>::create(makeEntries(kEntries));
    for (auto _ : state) benchmark::DoNotOptimize(a->count());
}
void Locked_Count(benchmark::State& state) {
    LockedVector v(makeEntries(kEntries));
    for (auto _ : state) benchmark::DoNotOptimize(v.count());
}

void SyncArray_Index(benchmark::State& state) {
    auto a = frelt::SynchronizedArray<EntryPtr>::create(makeEntries(kEntries));
    std::ptrdiff_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize((*a)[i]);
        i = (i + 7) % static_cast<std::ptrdiff_t>(kEntries);
    }
}
void Locked_Index(benchmark::State& state) {
    LockedVector v(makeEntries(kEntries));
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(v.at(i));
        i = (i + 7) % kEntries;
    }
}

// The match sits in the middle of the list.
void SyncArray_FirstWhere(benchmark::State& state) {
    auto a = frelt::SynchronizedArray<EntryPtr>::create(makeEntries(kEntries));
    const int wanted = static_cast<int>(kEntries / 2);
    for (auto _ : state) benchmark::DoNotOptimize(a->firstWhere([&](const EntryPtr& e) { return e->uses == wanted; }));
}
void Locked_FirstWhere(benchmark::State& state) {
    LockedVector v(makeEntries(kEntries));
    const int wanted = static_cast<int>(kEntries / 2);
    for (auto _ : state) benchmark::DoNotOptimize(v.firstWhere([&](const EntryPtr& e) { return e->uses == wanted; }));
}

// Appends run on the queue's workers; the timing covers issuing them and
// waiting once at the end of each batch for them to land.
void SyncArray_Append(benchmark::State& state) {
    auto entry = std::make_shared<Entry>(Entry{"x", 1});
    for (auto _ : state) {
        state.PauseTiming();
        auto a = frelt::SynchronizedArray<EntryPtr>::create();
        state.ResumeTiming();
        for (int i = 0; i < 1000; ++i) a->append(entry);
        benchmark::DoNotOptimize(a->count());
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
void Locked_Append(benchmark::State& state) {
    auto entry = std::make_shared<Entry>(Entry{"x", 1});
    for (auto _ : state) {
        state.PauseTiming();
        LockedVector v({});
        state.ResumeTiming();
        for (int i = 0; i < 1000; ++i) v.append(entry);
        benchmark::DoNotOptimize(v.count());
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}

// A loop over the whole list: the synchronized array hands out its content
// without copying; the baseline copies the vector to release the lock.
void SyncArray_SnapshotLoop(benchmark::State& state) {
    auto a = frelt::SynchronizedArray<EntryPtr>::create(makeEntries(kEntries));
    for (auto _ : state) {
        long sum = 0;
        for (const EntryPtr& e : *a) sum += e->uses;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(kEntries));
}
void Locked_SnapshotLoop(benchmark::State& state) {
    LockedVector v(makeEntries(kEntries));
    for (auto _ : state) {
        long sum = 0;
        for (const EntryPtr& e : v.snapshot()) sum += e->uses;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(kEntries));
}

// Several threads reading at once.
void SyncArray_CountContended(benchmark::State& state) {
    static std::shared_ptr<frelt::SynchronizedArray<EntryPtr>> a;
    if (state.thread_index() == 0) a = frelt::SynchronizedArray<EntryPtr>::create(makeEntries(kEntries));
    for (auto _ : state) benchmark::DoNotOptimize(a->count());
}
void Locked_CountContended(benchmark::State& state) {
    static LockedVector v(makeEntries(kEntries));
    for (auto _ : state) benchmark::DoNotOptimize(v.count());
}

}  // namespace

BENCHMARK(SyncArray_Count);
BENCHMARK(Locked_Count);
BENCHMARK(SyncArray_Index);
BENCHMARK(Locked_Index);
BENCHMARK(SyncArray_FirstWhere);
BENCHMARK(Locked_FirstWhere);
BENCHMARK(SyncArray_Append);
BENCHMARK(Locked_Append);
BENCHMARK(SyncArray_SnapshotLoop);
BENCHMARK(Locked_SnapshotLoop);
BENCHMARK(SyncArray_CountContended)->Threads(4);
BENCHMARK(Locked_CountContended)->Threads(4);

FRELT_BENCHMARK_MAIN()
