// The application search over 2,000 generated desktop entries:
//
//   BM_CrawlIntoStore     a cold start of the search: the crawl of the
//                         folders on the worker, the processing of the
//                         results and the new entries added to the store,
//                         with its first rebuild (goal: under 100 ms);
//   BM_UpdateOf50Files    50 entries renamed on disk: from the change to
//                         their new names in the store, through inotify and a
//                         crawl that reads only the changed files (the
//                         one-second coalescing interval is set to zero here);
//   BM_StallWhile10000FilesComeAndGo
//                         the longest time the main thread leaves its queue
//                         unserved while 10,000 desktop entries are written
//                         into the user's applications folder and then
//                         deleted again, as a package manager would, with the
//                         search and the store as the program runs them (the
//                         one-second coalescing, the three-second rebuild
//                         timer). A probe thread queues a block on the main
//                         queue, waits until it ran and queues the next a
//                         millisecond later; the longest wait is the stall
//                         (stall_ms, wall time), and the main thread's own
//                         processor time within it (stall_cpu_ms, which a
//                         busy machine does not inflate). Goal: no stall
//                         longer than a 16 ms frame.

#include <benchmark/benchmark.h>

#include <pthread.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "BenchSupport.h"
#include "app/AppDelegate.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/SingleInstance.h"
#include "platform/foundation/UserDefaults.h"
#include "sources/discovery/ProxySpotlightQueryFS.h"
#include "store/DataStorage.h"
#include "store/StoreConstants.h"

using frelt::DataStorage;

namespace {

constexpr int kEntries = 2000;

const std::filesystem::path& applications() {
    static const auto folder = [] {
        const auto root = frelt::bench::freshScratchFolder("frelt-application-search-bench");
        platform::PathLayout layout;
        layout.home = root;
        layout.configHome = root / "config";
        layout.dataHome = root / "data";
        layout.cacheHome = root / "cache";
        layout.dataDirs = {root / "usr/share"};
        platform::Paths::setLayout(layout);
        const auto apps = root / "usr/share/applications";
        std::filesystem::create_directories(apps);
        for (int i = 0; i < kEntries; ++i) {
            std::ofstream(apps / ("org.example.App" + std::to_string(i) + ".desktop"))
                << "[Desktop Entry]\nType=Application\nName=Application " << i << "\nName[de]=Anwendung " << i
                << "\nComment=An application made for the benchmark\nExec=/usr/bin/app" << i
                << " %U\nIcon=app\nCategories=Utility;\nMimeType=text/plain;\n";
        }
        return apps;
    }();
    return folder;
}

void writeName(int i, const std::string& name) {
    std::ofstream(applications() / ("org.example.App" + std::to_string(i) + ".desktop"), std::ios::trunc)
        << "[Desktop Entry]\nType=Application\nName=" << name << "\nExec=/usr/bin/app" << i << " %U\n";
}

bool runLoopUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        platform::RunLoop::main().runMode(platform::RunLoopMode::defaultMode,
                                          platform::dispatch::clock::now() + std::chrono::milliseconds(5));
    }
    return true;
}

std::shared_ptr<DataStorage> startedStore() {
    const auto store = DataStorage::shared();
    store->setEnableDataProxies(true);
    return store;
}

void BM_CrawlIntoStore(benchmark::State& state) {
    applications();
    for (auto _ : state) {
        const auto store = startedStore();
        if (!runLoopUntil([&] { return store->allData()->count() == kEntries; })) {
            state.SkipWithError("the entries did not arrive");
            break;
        }
        state.PauseTiming();
        platform::singleinstance::resetAll();
        platform::RunLoop::main().runUntilIdle();
        state.ResumeTiming();
    }
    state.counters["entries"] = kEntries;
}
BENCHMARK(BM_CrawlIntoStore)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_UpdateOf50Files(benchmark::State& state) {
    applications();
    const auto store = startedStore();
    store->proxySpotlightQueryFSAllApps()->spotlightQuery()->metadataQuery->setNotificationBatchingInterval(0);
    if (!runLoopUntil([&] { return store->allData()->count() == kEntries; })) {
        state.SkipWithError("the entries did not arrive");
        return;
    }
    int round = 0;
    for (auto _ : state) {
        ++round;
        const std::string name = "Renamed " + std::to_string(round) + " ";
        for (int i = 0; i < 50; ++i) writeName(i * 40, name + std::to_string(i * 40));
        const auto last = store->entryWithPath((applications() / "org.example.App1960.desktop").string());
        if (!runLoopUntil([&] { return last && last->name() == name + "1960"; })) {
            state.SkipWithError("the update did not arrive");
            break;
        }
    }
    platform::singleinstance::resetAll();
}
BENCHMARK(BM_UpdateOf50Files)->Unit(benchmark::kMillisecond)->UseRealTime();

// Measures how long blocks queued on the main queue wait for their turn,
// from a thread of its own, while it lives.
class MainQueueProbe {
public:
    MainQueueProbe() : mainThread_(::pthread_self()) {
        ::pthread_getcpuclockid(mainThread_, &mainClock_);
        thread_ = std::thread([this] { probe(); });
    }
    ~MainQueueProbe() {
        stopping_ = true;
        // The last block may still wait for its turn: the caller runs the loop.
        while (!stopped_) platform::RunLoop::main().runUntilIdle();
        thread_.join();
    }
    double longestWaitMs() const { return longestWait_; }
    double longestWaitCpuMs() const { return longestWaitCpu_; }

private:
    using Clock = std::chrono::steady_clock;
    double mainCpuMs() const {
        timespec t{};
        ::clock_gettime(mainClock_, &t);
        return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
    }
    void probe() {
        while (!stopping_) {
            std::atomic<bool> served{false};
            const auto queued = Clock::now();
            const double queuedCpu = mainCpuMs();
            platform::dispatch::Queue::main()->async([&, queued, queuedCpu] {
                const double wait = std::chrono::duration<double, std::milli>(Clock::now() - queued).count();
                longestWait_ = std::max(longestWait_.load(), wait);
                longestWaitCpu_ = std::max(longestWaitCpu_.load(), mainCpuMs() - queuedCpu);
                served = true;
            });
            while (!served) std::this_thread::sleep_for(std::chrono::microseconds(100));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        stopped_ = true;
    }

    pthread_t mainThread_;
    clockid_t mainClock_{};
    std::atomic<bool> stopping_{false}, stopped_{false};
    std::atomic<double> longestWait_{0}, longestWaitCpu_{0};
    std::thread thread_;
};

// Writes (or deletes) the 10,000 entries from a thread of its own, in ten
// bursts a fifth of a second apart, so that the search sees them arrive over
// several of its crawls.
std::thread changeInBursts(const std::filesystem::path& folder, bool create) {
    return std::thread([folder, create] {
        for (int burst = 0; burst < 10; ++burst) {
            for (int i = burst * 1000; i < (burst + 1) * 1000; ++i) {
                const auto file = folder / ("org.example.Installed" + std::to_string(i) + ".desktop");
                if (create) {
                    std::ofstream(file) << "[Desktop Entry]\nType=Application\nName=Installed " << i
                                        << "\nExec=/usr/bin/installed" << i << " %U\nIcon=installed\n";
                } else {
                    std::filesystem::remove(file);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    });
}

void BM_StallWhile10000FilesComeAndGo(benchmark::State& state) {
    applications();
    const auto userApplications = platform::Paths::dataHome() / "applications";
    std::filesystem::create_directories(userApplications);
    constexpr std::size_t installed = 10000;
    double stall = 0, stallCpu = 0;
    for (auto _ : state) {
        // Someone who has used the program before: a first start applies its
        // predefined tags, with a rebuild, at every update of the search.
        platform::UserDefaults::standard()->set(frelt::DefaultsKeys::launchedBefore, platform::Value(true));
        const auto store = startedStore();
        if (!runLoopUntil([&] { return store->allData()->count() == kEntries && !store->firstDataCollection(); })) {
            state.SkipWithError("the entries did not arrive");
            break;
        }
        // Done when the store lists `count` entries and has rebuilt since.
        bool rebuilt = false;
        const auto observation = platform::NotificationCenter::defaultCenter().observe(
            frelt::Notifications::dataStorageRebuildIsFinished, nullptr,
            [&](const platform::Notification&) { rebuilt = true; });
        const auto settled = [&](std::size_t count) {
            rebuilt = false;
            return runLoopUntil([&] {
                const auto timer = store->rebuildDataTimer();
                return rebuilt && store->allData()->count() == count && !(timer && timer->isValid());
            });
        };
        bool ok = true;
        {
            MainQueueProbe probe;
            for (const bool create : {true, false}) {
                auto writer = changeInBursts(userApplications, create);
                const bool done = settled(create ? kEntries + installed : kEntries);
                writer.join();
                if (!done) {
                    state.SkipWithError(create ? "the new entries did not arrive" : "the deleted entries stayed");
                    ok = false;
                    break;
                }
                if (create && store->currentData()->count() != kEntries + installed) {
                    state.SkipWithError("the new entries are not all listed");
                    ok = false;
                    break;
                }
            }
            stall = std::max(stall, probe.longestWaitMs());
            stallCpu = std::max(stallCpu, probe.longestWaitCpuMs());
        }
        if (!ok) break;
        state.PauseTiming();
        platform::singleinstance::resetAll();
        platform::RunLoop::main().runUntilIdle();
        state.ResumeTiming();
    }
    platform::singleinstance::resetAll();
    state.counters["stall_ms"] = stall;
    state.counters["stall_cpu_ms"] = stallCpu;
    state.counters["frame_ms"] = 16;
    state.counters["files"] = installed;
}
BENCHMARK(BM_StallWhile10000FilesComeAndGo)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

FRELT_BENCHMARK_MAIN();
