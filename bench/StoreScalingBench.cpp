// How the store's work grows from 10,000 to 100,000 entries (half links,
// half files, every one with two of 500 tags and a comment, some with a
// colour or a hotkey). Each benchmark measures both sizes in one run and
// prints the growth: the cost per entry at 100,000 over the cost per entry at
// 10,000 (goal: near 1; work that walks the list per entry gives 10).
//
//   BM_RebuildAfterLoad    what every start runs, each time in a fresh
//                          process (this program again, with --start-child):
//                          the stored lists loaded (entries freshly decoded,
//                          never validated), then the first rebuild, which
//                          alone is timed, the best of several starts (goal:
//                          within 15 ms at 10,000); rebuild_again_ms is a
//                          second rebuild over the same, now validated,
//                          entries, the figure earlier versions measured;
//   BM_SaveAndLoad         archiving both lists into the user defaults, and
//                          loading them back into the store and the registry;
//   BM_AddOneByOne         adding new link entries one at a time to an empty
//                          store;
//   BM_ResidentMemory      a fresh start as above: its resident memory and its
//                          heap in use before and after the load and the
//                          first rebuild, per stored entry.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "BenchSupport.h"
#include "app/AppDelegate.h"
#include "hotkeys/KeyCombo.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Process.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/graphics/Color.h"
#include "store/Configuration.h"
#include "store/DataStorage.h"
#include "store/StoreConstants.h"
#include "store/TagManager.h"

namespace {

using frelt::DataStorage;
using frelt::TableViewItem;
using frelt::TagManager;
using Clock = std::chrono::steady_clock;

constexpr int kSmall = 10000;
constexpr int kLarge = 100000;
constexpr int kTags = 500;
constexpr const char* kChildFlag = "--start-child";

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Cost per entry at the large size over the cost per entry at the small one.
double growth(double smallMs, double largeMs) { return (largeMs / kLarge) / (smallMs / kSmall); }

const std::filesystem::path& scratch() {
    static const auto folder = [] {
        auto made = frelt::bench::freshScratchFolder("frelt-store-scaling-bench");
        frelt::bench::useFolders(made);
        return made;
    }();
    return folder;
}

std::shared_ptr<frelt::Configuration> config() { return frelt::AppDelegate::shared()->config; }

// The two stored archives of a collection, as the user defaults hold them.
struct Stored {
    platform::Data entries;
    platform::Data tags;
};

// Fills the store with `count` entries and 500 tags and saves them; the
// archives are kept to be put back before each load.
const Stored& stored(int count) {
    static std::map<int, Stored> made;
    if (const auto found = made.find(count); found != made.end()) return found->second;
    const auto folder = scratch() / "files";
    std::filesystem::create_directories(folder);
    // As the launch does: the stored lists are read before anything is saved.
    config()->loadConfig();
    const auto store = DataStorage::shared();
    store->allData()->removeAll();
    std::vector<TableViewItem::Ptr> entries;
    entries.reserve(count);
    for (int i = 0; i < count; ++i) {
        TableViewItem::Ptr entry;
        const std::string name = "Entry " + std::to_string(i);
        if (i % 2 == 0) {
            entry = TableViewItem::initForURL("https://example.org/" + std::to_string(i), name, "");
        } else {
            const auto path = folder / (name + ".txt");
            if (!std::filesystem::exists(path)) std::ofstream(path) << "x";
            entry = TableViewItem::initForExternalNonSpotlightObject(path.string());
        }
        entry->setTags({"Tag " + std::to_string(i % kTags), "Group|Tag " + std::to_string((i * 7) % kTags)});
        entry->setComment("comment " + name);
        if (i % 10 == 0) entry->setColor(platform::Color::sRGB(0.1, 0.2, 0.3));
        if (i % 50 == 0) entry->setHotkey(frelt::KeyCombo::make(frelt::Key::k, platform::modifierflags::command));
        entries.push_back(std::move(entry));
    }
    store->addToAllData(entries);
    const auto tags = TagManager::shared()->allAvailableTags();
    tags->removeAll();
    for (int i = 0; i < kTags; ++i) {
        auto tag = frelt::iconTag::initWithNewName("Tag " + std::to_string(i), "icon_star");
        if (i % 5 == 0) tag->setColor(platform::Color::sRGB(0.5, 0.5, 0.5));
        tags->append(tag);
    }
    config()->saveAllDataArray();
    config()->saveTagDataArray(false);
    Stored archives{*config()->defaults->dataForKey(frelt::DefaultsKeys::applicationData),
                    *config()->defaults->dataForKey(frelt::DefaultsKeys::tagData)};
    return made.emplace(count, std::move(archives)).first->second;
}

// Puts a collection's archives back into the user defaults.
void restore(const Stored& archives) {
    config()->defaults->set(frelt::DefaultsKeys::applicationData, platform::Value(archives.entries));
    config()->defaults->set(frelt::DefaultsKeys::tagData, platform::Value(archives.tags));
}

void load() {
    config()->loadAllDataArray();
    config()->loadTagDataArray();
    platform::dispatch::waitForBackgroundIdle();
}

// ---- Adding one by one -------------------------------------------------------------------------

// Milliseconds to add `count` new link entries one at a time to an empty store.
double addOneByOne(int count) {
    const auto store = DataStorage::shared();
    store->allData()->removeAll();
    std::vector<TableViewItem::Ptr> entries;
    entries.reserve(count);
    for (int i = 0; i < count; ++i)
        entries.push_back(TableViewItem::initForURL("https://example.org/added/" + std::to_string(i), "Added", ""));
    // The entries held before, and the path index over them, are let go
    // before the clock starts.
    (void)store->entryWithPath("/nothing/held/here");
    platform::dispatch::waitForBackgroundIdle();
    const auto start = Clock::now();
    for (const auto& entry : entries)
        if (store->addToAllData(entry) != DataStorage::addResultAdded) return -1;
    return millisecondsSince(start);
}

void BM_AddOneByOne(benchmark::State& state) {
    double small = 0, large = 0;
    for (auto _ : state) {
        small = addOneByOne(kSmall);
        large = addOneByOne(kLarge);
        if (small < 0 || large < 0) {
            state.SkipWithError("an entry was refused");
            return;
        }
    }
    DataStorage::shared()->allData()->removeAll();
    state.counters["add10k_ms"] = small;
    state.counters["add100k_ms"] = large;
    state.counters["growth"] = growth(small, large);
}
BENCHMARK(BM_AddOneByOne)->Unit(benchmark::kMillisecond)->Iterations(1);

// ---- Save and load ---------------------------------------------------------------------------------

struct SaveLoadTimes {
    double save = 1e9;
    double load = 1e9;
    double kib = 0;
};

SaveLoadTimes saveAndLoad(int count, int runs) {
    restore(stored(count));
    load();
    SaveLoadTimes best;
    for (int run = 0; run < runs; ++run) {
        auto start = Clock::now();
        config()->saveAllDataArray();
        config()->saveTagDataArray(false);
        best.save = std::min(best.save, millisecondsSince(start));
        start = Clock::now();
        load();
        best.load = std::min(best.load, millisecondsSince(start));
    }
    if (const auto data = config()->defaults->dataForKey(frelt::DefaultsKeys::applicationData))
        best.kib = static_cast<double>(data->size()) / 1024.0;
    return best;
}

void BM_SaveAndLoad(benchmark::State& state) {
    SaveLoadTimes small, large;
    for (auto _ : state) {
        small = saveAndLoad(kSmall, 5);
        large = saveAndLoad(kLarge, 3);
    }
    if (DataStorage::shared()->allData()->count() != kLarge) state.SkipWithError("entries went missing");
    state.counters["save10k_ms"] = small.save;
    state.counters["save100k_ms"] = large.save;
    state.counters["save_growth"] = growth(small.save, large.save);
    state.counters["load10k_ms"] = small.load;
    state.counters["load100k_ms"] = large.load;
    state.counters["load_growth"] = growth(small.load, large.load);
    state.counters["archive100k_KiB"] = large.kib;
}
BENCHMARK(BM_SaveAndLoad)->Unit(benchmark::kMillisecond)->Iterations(1);

// ---- A start, in a fresh process ---------------------------------------------------------------

double residentBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) * 1024.0;
    return -1;
}

double heapInUse() { return static_cast<double>(mallinfo2().uordblks); }

// What a start does with the stored lists, in a process that did nothing
// else: load, then rebuild. Prints the entries, the first and the second
// rebuild in milliseconds, then resident memory and heap in use before the
// load and after the first rebuild.
int startChild(const std::filesystem::path& root) {
    frelt::bench::useFolders(root);
    const auto settings = config();
    (void)DataStorage::shared();
    (void)TagManager::shared();
    platform::dispatch::waitForBackgroundIdle();
    malloc_trim(0);
    const double rssBefore = residentBytes(), heapBefore = heapInUse();
    settings->loadConfig();
    platform::dispatch::waitForBackgroundIdle();
    auto start = Clock::now();
    DataStorage::shared()->rebuildData(frelt::RebuildDataReason::datastorageInitialize);
    const double first = millisecondsSince(start);
    platform::dispatch::waitForBackgroundIdle();
    malloc_trim(0);
    const double rssAfter = residentBytes(), heapAfter = heapInUse();
    start = Clock::now();
    DataStorage::shared()->rebuildData(frelt::RebuildDataReason::datastorageInitialize);
    const double again = millisecondsSince(start);
    std::printf("%zu %.3f %.3f %.0f %.0f %.0f %.0f\n", DataStorage::shared()->allData()->count(), first, again,
                rssBefore, rssAfter, heapBefore, heapAfter);
    return 0;
}

struct Start {
    double rebuild = 1e9;  // the best of the starts
    double again = 1e9;
    double rssMB = 0;
    double rssPerEntry = 0;
    double heapPerEntry = 0;
};

// `runs` starts over the stored collection of `count` entries.
std::optional<Start> starts(int count, int runs) {
    restore(stored(count));
    config()->defaults->synchronize();
    Start best;
    for (int run = 0; run < runs; ++run) {
        const auto result = platform::Process::run("/proc/self/exe", {kChildFlag, scratch().string()});
        if (!result || result->terminationStatus != 0) return std::nullopt;
        std::istringstream in(std::string(result->standardOutput.begin(), result->standardOutput.end()));
        double entries = 0, first = 0, again = 0, rssBefore = 0, rssAfter = 0, heapBefore = 0, heapAfter = 0;
        // The tags proxy adds an entry for each tag the entries carry.
        if (!(in >> entries >> first >> again >> rssBefore >> rssAfter >> heapBefore >> heapAfter) || entries < count)
            return std::nullopt;
        best.rebuild = std::min(best.rebuild, first);
        best.again = std::min(best.again, again);
        best.rssMB = rssAfter / (1024.0 * 1024.0);
        best.rssPerEntry = (rssAfter - rssBefore) / count;
        best.heapPerEntry = (heapAfter - heapBefore) / count;
    }
    return best;
}

void BM_RebuildAfterLoad(benchmark::State& state) {
    std::optional<Start> small, large;
    for (auto _ : state) {
        small = starts(kSmall, 7);
        large = starts(kLarge, 3);
    }
    if (!small || !large) {
        state.SkipWithError("a start did not load every entry");
        return;
    }
    state.counters["rebuild10k_ms"] = small->rebuild;
    state.counters["rebuild100k_ms"] = large->rebuild;
    state.counters["growth"] = growth(small->rebuild, large->rebuild);
    state.counters["rebuild_again10k_ms"] = small->again;
    state.counters["rebuild_again100k_ms"] = large->again;
}
BENCHMARK(BM_RebuildAfterLoad)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ResidentMemory(benchmark::State& state) {
    std::optional<Start> small, large;
    for (auto _ : state) {
        small = starts(kSmall, 1);
        large = starts(kLarge, 1);
    }
    if (!small || !large) {
        state.SkipWithError("a start did not load every entry");
        return;
    }
    state.counters["rss10k_MB"] = small->rssMB;
    state.counters["rss100k_MB"] = large->rssMB;
    state.counters["rss_per_entry10k_B"] = small->rssPerEntry;
    state.counters["rss_per_entry100k_B"] = large->rssPerEntry;
    state.counters["heap_per_entry10k_B"] = small->heapPerEntry;
    state.counters["heap_per_entry100k_B"] = large->heapPerEntry;
    state.counters["entry_object_B"] = static_cast<double>(sizeof(TableViewItem));
}
BENCHMARK(BM_ResidentMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], kChildFlag) == 0) return startChild(argv[2]);
    return frelt::bench::runBenchmarks(argc, argv);
}
