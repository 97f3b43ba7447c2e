// Saving and loading the stored archives of a large collection: 10,000
// entries (half links, half files, every one with two tags and a comment,
// some with a colour or a hotkey) and 500 tags with symbols and colours.
//
//   BM_SaveEntriesAndTags      both lists archived into the user defaults;
//   BM_LoadAgainstParse        loading both archives back into the store and
//                              the registry (with the one look at each file
//                              entry), beside our own property-list parse of
//                              the same bytes, in the same run (goal: the load
//                              under 2x the parse);
//   BM_LaunchInAFreshProcess   what a launch does, in a process that has done
//                              nothing else: load the settings with the 10,000
//                              entries, then the resident memory, as the
//                              program is before any window opens (goal: under
//                              30 MB); then the first rebuild; then the memory
//                              after one more save and load. The fresh process
//                              is this program itself, started again with
//                              --launch-child.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "BenchSupport.h"
#include "app/AppDelegate.h"
#include "hotkeys/KeyCombo.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Process.h"
#include "platform/foundation/PropertyList.h"
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

constexpr int kEntries = 10000;
constexpr int kTags = 500;
constexpr const char* kChildFlag = "--launch-child";

const std::filesystem::path& scratch() {
    static const auto folder = [] {
        auto made = frelt::bench::freshScratchFolder("frelt-configuration-bench");
        frelt::bench::useFolders(made);
        return made;
    }();
    return folder;
}

std::shared_ptr<frelt::Configuration> config() { return frelt::AppDelegate::shared()->config; }

void fillStore() {
    static bool filled = false;
    if (filled) return;
    filled = true;
    const auto folder = scratch() / "files";
    std::filesystem::create_directories(folder);
    // As the launch does: the (empty) stored lists are read before anything
    // is saved over them.
    config()->loadConfig();
    const auto store = DataStorage::shared();
    for (int i = 0; i < kEntries; ++i) {
        TableViewItem::Ptr entry;
        const std::string name = "Entry " + std::to_string(i);
        if (i % 2 == 0) {
            entry = TableViewItem::initForURL("https://example.org/" + std::to_string(i), name, "");
        } else {
            const auto path = folder / (name + ".txt");
            std::ofstream(path) << "x";
            entry = TableViewItem::initForExternalNonSpotlightObject(path.string());
        }
        entry->setTags({"Tag " + std::to_string(i % kTags), "Group|Tag " + std::to_string((i * 7) % kTags)});
        entry->setComment("comment " + name);
        if (i % 10 == 0) entry->setColor(platform::Color::sRGB(0.1, 0.2, 0.3));
        if (i % 50 == 0) entry->setHotkey(frelt::KeyCombo::make(frelt::Key::k, platform::modifierflags::command));
        store->addToAllData(entry);
    }
    const auto tags = TagManager::shared()->allAvailableTags();
    for (int i = 0; i < kTags; ++i) {
        auto tag = frelt::iconTag::initWithNewName("Tag " + std::to_string(i), "icon_star");
        if (i % 5 == 0) tag->setColor(platform::Color::sRGB(0.5, 0.5, 0.5));
        tags->append(tag);
    }
    config()->saveAllDataArray();
    config()->saveTagDataArray(false);
    config()->defaults->synchronize();
}

void BM_SaveEntriesAndTags(benchmark::State& state) {
    fillStore();
    for (auto _ : state) {
        config()->saveAllDataArray();
        config()->saveTagDataArray(false);
    }
    const auto data = config()->defaults->dataForKey(frelt::DefaultsKeys::applicationData);
    if (!data) state.SkipWithError("nothing was saved");
    state.counters["archiveKiB"] = data ? static_cast<double>(data->size()) / 1024.0 : 0.0;
}
BENCHMARK(BM_SaveEntriesAndTags)->Unit(benchmark::kMillisecond);

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void BM_LoadAgainstParse(benchmark::State& state) {
    fillStore();
    const auto entries = config()->defaults->dataForKey(frelt::DefaultsKeys::applicationData);
    const auto tags = config()->defaults->dataForKey(frelt::DefaultsKeys::tagData);
    if (!entries || !tags) {
        state.SkipWithError("the archives were not saved");
        return;
    }
    double load = 0, parse = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        config()->loadAllDataArray();
        config()->loadTagDataArray();
        load += millisecondsSince(start);

        start = Clock::now();
        const bool parsed = static_cast<bool>(platform::PropertyList::read(*entries)) &&
                            static_cast<bool>(platform::PropertyList::read(*tags));
        parse += millisecondsSince(start);
        if (!parsed) {
            state.SkipWithError("our reader refused the archives");
            return;
        }
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["load_ms"] = load / runs;
    state.counters["parse_ms"] = parse / runs;
    state.counters["x_parse"] = load / parse;
    state.counters["entries"] = static_cast<double>(DataStorage::shared()->allData()->count());
    state.counters["tags"] = static_cast<double>(TagManager::shared()->allAvailableTags()->count());
    if (DataStorage::shared()->allData()->count() != kEntries) state.SkipWithError("entries went missing");
}
BENCHMARK(BM_LoadAgainstParse)->Unit(benchmark::kMillisecond);

// ---- A launch, in a fresh process -----------------------------------------------------------

double residentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return -1;
}

// The child: load what the parent saved, settle, say how much memory it
// holds; rebuild; save and load once more.
int launchChild(const std::filesystem::path& root) {
    frelt::bench::useFolders(root);
    const auto settings = config();
    settings->loadConfig();
    platform::dispatch::waitForBackgroundIdle();
    const double loaded = residentMegabytes();
    const std::size_t entries = DataStorage::shared()->allData()->count();

    const auto start = Clock::now();
    DataStorage::shared()->rebuildData(frelt::RebuildDataReason::datastorageInitialize);
    const double rebuild = std::chrono::duration<double, std::milli>(Clock::now() - start).count();

    settings->saveConfig(false);
    settings->loadConfig();
    platform::dispatch::waitForBackgroundIdle();
    std::printf("%zu %.2f %.2f %.2f\n", entries, loaded, rebuild, residentMegabytes());
    return 0;
}

void BM_LaunchInAFreshProcess(benchmark::State& state) {
    fillStore();
    std::string output;
    for (auto _ : state) {
        const auto result = platform::Process::run("/proc/self/exe", {kChildFlag, scratch().string()});
        if (!result || result->terminationStatus != 0) {
            state.SkipWithError("the loading process failed");
            return;
        }
        output.assign(result->standardOutput.begin(), result->standardOutput.end());
    }
    std::istringstream in(output);
    double entries = 0, loaded = 0, rebuild = 0, afterSaveAndLoad = 0;
    if (!(in >> entries >> loaded >> rebuild >> afterSaveAndLoad) || entries != kEntries) {
        state.SkipWithError("the loading process did not load every entry");
        return;
    }
    state.counters["rss_MB"] = loaded;
    state.counters["first_rebuild_ms"] = rebuild;
    state.counters["rss_after_save_load_MB"] = afterSaveAndLoad;
}
BENCHMARK(BM_LaunchInAFreshProcess)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], kChildFlag) == 0) return launchChild(argv[2]);
    return frelt::bench::runBenchmarks(argc, argv);
}
