// The data store's two hot paths: a full rebuild (validation with its tag
// recount, both filters, the notifications) of 10,000 entries carrying 500
// distinct tags, and the typed search of the main window over 10,000 entries,
// measured beside a plain case-folded substring scan of the same names, the
// least any search must do. The search's goal is to stay within 10x of it.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "platform/foundation/Text.h"
#include "store/DataStorage.h"
#include "store/DataStorageFilterCurrentData.h"
#include "store/TagManager.h"

namespace {

using frelt::DataStorage;
using frelt::TableViewItem;

constexpr int kEntries = 10000;
constexpr int kTags = 500;

// Half links (no file test), half files in a scratch folder, so the
// reachability test and its cache are part of what is measured.
void fillStore() {
    static bool filled = false;
    if (filled) return;
    filled = true;
    const auto folder = std::filesystem::temp_directory_path() / "frelt-datastorage-bench";
    std::filesystem::create_directories(folder);
    const auto store = DataStorage::shared();
    for (int i = 0; i < kEntries; ++i) {
        TableViewItem::Ptr entry;
        const std::string name = "Entry " + std::to_string(i) + (i % 7 == 0 ? " Report" : " Notes");
        if (i % 2 == 0) {
            entry = TableViewItem::initForURL("https://example.org/" + std::to_string(i), name, "comment " + name);
        } else {
            const auto path = folder / (name + ".txt");
            if (!std::filesystem::exists(path)) std::ofstream(path) << "x";
            entry = TableViewItem::initForExternalNonSpotlightObject(path.string());
        }
        entry->setTags({"Tag " + std::to_string(i % kTags), "Group|Tag " + std::to_string((i * 7) % kTags)});
        store->addToAllData(entry);
    }
}

void BM_FullRebuild(benchmark::State& state) {
    fillStore();
    const auto store = DataStorage::shared();
    for (auto _ : state) store->rebuildData(frelt::RebuildDataReason::datastorageInitialize);
    state.counters["tags"] = static_cast<double>(frelt::TagManager::shared()->allAvailableTags()->count());
}
BENCHMARK(BM_FullRebuild)->Unit(benchmark::kMillisecond);

void BM_TypedSearch(benchmark::State& state) {
    fillStore();
    frelt::AppDelegate::shared()->config->searchForComments = false;
    const auto filter = DataStorage::shared()->filterCurrentData();
    for (auto _ : state) filter->setSearchString("report");
    state.counters["found"] = static_cast<double>(DataStorage::shared()->currentData()->count());
}
BENCHMARK(BM_TypedSearch)->Unit(benchmark::kMillisecond);

// The baseline: lower-case each name and look for the text in it.
void BM_PlainCaseFoldedScan(benchmark::State& state) {
    fillStore();
    const auto entries = DataStorage::shared()->allData()->toVector();
    std::vector<std::string> names;
    for (const auto& e : entries) names.push_back(e->name());
    for (auto _ : state) {
        std::size_t found = 0;
        for (const auto& name : names)
            if (platform::text::lowercased(name).find("report") != std::string::npos) ++found;
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_PlainCaseFoldedScan)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
