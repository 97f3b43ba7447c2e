// The application search over 2,000 generated desktop entries:
//
//   BM_CrawlIntoStore     a cold start of the search: the crawl of the
//                         folders on the worker, the processing of the
//                         results and the new entries added to the store,
//                         with its first rebuild (goal: under 100 ms);
//   BM_UpdateOf50Files    50 entries renamed on disk: from the change to
//                         their new names in the store, through inotify and a
//                         crawl that reads only the changed files (the
//                         one-second coalescing interval is set to zero here).

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "BenchSupport.h"
#include "app/AppDelegate.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/SingleInstance.h"
#include "sources/discovery/ProxySpotlightQueryFS.h"
#include "store/DataStorage.h"

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

}  // namespace

FRELT_BENCHMARK_MAIN();
