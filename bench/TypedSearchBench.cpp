// The main window's search as a user types it: several queries typed letter
// by letter (1 to 6 letters), each key timed on its own, over 10,000 and
// 100,000 entries named as a desktop's applications, documents and folders
// are (TypedSearchNames.h). Most entries are files and folders on disk, so
// the reachability cache is part of what is measured.
//
// The peer is grep -F -i -c over the same names, written to a file in the
// same run. grep's cost for a key is its scan of the names without its
// process start: the best time over a file holding the names repeated to
// about 1,000,000 lines, less its best time over an empty file, divided by
// the repeats. (Timing one pass over 10,000 names directly would measure
// mostly the jitter of starting a process, which on a busy machine is larger
// than the whole scan.)
//
// Goals, printed per scale:
//   - every key costs no more than grep's scan (x_grep_worst <= 1);
//   - the cost grows linearly with the entries (growth near 10 from 10k to
//     100k, summed over all keys);
//   - the first key after more than 5 s without one (when every cached
//     reachability answer is stale) costs no more than any other key: the
//     disk is not touched on the keystroke path. It is measured on the manual
//     dispatch clock, moved 6 s on before the key. The answers taken off the
//     main thread then arrive on the main queue; applying them is timed too
//     (apply_ms).
//
// BM_TypedSearchEachKey prints a table of every key to standard error.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "TypedSearchNames.h"
#include "app/AppDelegate.h"
#include "platform/dispatch/Dispatch.h"
#include "store/DataStorage.h"
#include "store/DataStorageFilterCurrentData.h"

namespace {

using frelt::DataStorage;
using frelt::TableViewItem;
using Clock = std::chrono::steady_clock;

const std::vector<std::string> kQueries{"report", "editor", "config", "photos", "backup", "invoic", "theme."};
constexpr int kRounds = 5;

double msSince(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

const std::filesystem::path& scratch() {
    static const auto folder = [] {
        const auto f = frelt::bench::freshScratchFolder("frelt-typed-search-bench");
        setenv("HOME", f.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (f / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (f / "data").c_str(), 1);
        setenv("XDG_CACHE_HOME", (f / "cache").c_str(), 1);
        return f;
    }();
    return folder;
}

std::string fileNameFrom(std::string name) {
    std::replace(name.begin(), name.end(), '/', '-');
    if (name == "." || name == "..") name = "dots";
    return name;
}

// Fills the store with `count` entries and writes their names, one a line,
// to the returned file.
std::filesystem::path fillStore(std::size_t count) {
    const auto store = DataStorage::shared();
    store->allData()->removeAll();
    const auto root = scratch() / ("entries-" + std::to_string(count));
    std::filesystem::create_directories(root);
    std::vector<TableViewItem::Ptr> entries;
    entries.reserve(count);
    std::size_t i = 0;
    for (const auto& generated : frelt::bench::generatedNames(count)) {
        ++i;
        TableViewItem::Ptr entry;
        if (generated.kind == frelt::bench::NameKind::application) {
            entry = TableViewItem::initForSpotlightApp("/usr/share/applications/bench-" + std::to_string(i) + ".desktop",
                                                       generated.name);
            entry->setIsFoundBySpotlight(true);
        } else {
            // A hundred entries a folder; a name met twice in one folder
            // gets a number, as a file manager would give it.
            const auto folder = root / std::to_string(i / 100);
            std::filesystem::create_directories(folder);
            auto path = folder / fileNameFrom(generated.name);
            if (std::filesystem::exists(path)) path = folder / fileNameFrom(generated.name + " " + std::to_string(i));
            if (generated.kind == frelt::bench::NameKind::folder) std::filesystem::create_directories(path);
            else std::ofstream(path) << "x";
            entry = TableViewItem::initForExternalNonSpotlightObject(path.string());
        }
        if (i % 29 == 0) entry->setComment("Shared with the team");
        entries.push_back(entry);
    }
    store->addToAllData(entries);
    store->rebuildData(frelt::RebuildDataReason::datastorageInitialize);

    const auto names = scratch() / ("names-" + std::to_string(count) + ".txt");
    std::ofstream out(names);
    for (const auto& entry : store->allData()->toVector()) out << entry->name() << '\n';
    return names;
}

// grep's cost of one scan of `names` (`lines` lines) for `query`, in ms.
double grepCost(const std::filesystem::path& grep, const std::filesystem::path& names, std::size_t lines,
                const std::string& query) {
    static const auto empty = [] {
        const auto path = scratch() / "empty.txt";
        std::ofstream{path};
        return path;
    }();
    const std::size_t repeats = std::max<std::size_t>(1, 1000000 / lines);
    const auto repeated = names.string() + ".repeated";
    if (!std::filesystem::exists(repeated)) {
        std::ifstream in(names, std::ios::binary);
        const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::ofstream out(repeated, std::ios::binary);
        for (std::size_t r = 0; r < repeats; ++r) out << content;
    }
    double many = 1e9, none = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        const auto a = frelt::bench::timedRun(grep, {"-F", "-i", "-c", query}, repeated);
        const auto b = frelt::bench::timedRun(grep, {"-F", "-i", "-c", query}, empty);
        if (!a.ok || !b.ok) return -1;
        many = std::min(many, a.seconds);
        none = std::min(none, b.seconds);
    }
    return std::max(0.0, many - none) * 1000.0 / static_cast<double>(repeats);
}

struct KeyFigure {
    std::string text;
    double oursMs = 1e9;
    double grepMs = 0;
};

struct ScaleFigures {
    std::vector<KeyFigure> keys;
    double staleKeyMs = 0;  // worst first key after the cache went stale
    double applyMs = 0;     // worst application of the refreshed answers
};

ScaleFigures measure(std::size_t count, const std::filesystem::path& grep) {
    const auto names = fillStore(count);
    const auto filter = DataStorage::shared()->filterCurrentData();
    ScaleFigures figures;
    for (const auto& query : kQueries)
        for (std::size_t letters = 1; letters <= query.size(); ++letters)
            figures.keys.push_back({query.substr(0, letters)});

    // Best of several rounds of typing each query from an empty field.
    for (int round = 0; round < kRounds; ++round) {
        std::size_t k = 0;
        for (const auto& query : kQueries) {
            filter->setSearchString("");
            platform::dispatch::mainqueue::drain();
            for (std::size_t letters = 1; letters <= query.size(); ++letters, ++k) {
                const auto start = Clock::now();
                filter->setSearchString(query.substr(0, letters));
                figures.keys[k].oursMs = std::min(figures.keys[k].oursMs, msSince(start));
                platform::dispatch::mainqueue::drain();
            }
        }
    }
    for (auto& key : figures.keys) key.grepMs = grepCost(grep, names, count, key.text);

    // The first key of each query after a pause longer than the cache holds.
    platform::dispatch::clock::useManual(true);
    for (const auto& query : kQueries) {
        filter->setSearchString("");
        platform::dispatch::mainqueue::drain();
        platform::dispatch::clock::setManualNow(platform::dispatch::clock::now() + std::chrono::seconds(6));
        auto start = Clock::now();
        filter->setSearchString(query.substr(0, 1));
        figures.staleKeyMs = std::max(figures.staleKeyMs, msSince(start));
        platform::dispatch::waitForBackgroundIdle();
        start = Clock::now();
        platform::dispatch::mainqueue::drain();
        figures.applyMs = std::max(figures.applyMs, msSince(start));
    }
    platform::dispatch::clock::useManual(false);
    filter->setSearchString("");
    platform::dispatch::mainqueue::drain();
    return figures;
}

void BM_TypedSearchEachKey(benchmark::State& state) {
    const auto grep = frelt::bench::findProgram("grep");
    if (!grep) {
        state.SkipWithError("grep is not installed");
        return;
    }
    std::map<std::size_t, ScaleFigures> scales;
    for (auto _ : state) {
        for (const std::size_t count : {std::size_t{10000}, std::size_t{100000}}) scales[count] = measure(count, *grep);
    }
    const auto& small = scales[10000];
    const auto& large = scales[100000];
    std::fprintf(stderr, "%-8s %10s %10s %8s %10s %10s %8s %7s\n", "key", "ours10k", "grep10k", "x_grep", "ours100k",
                 "grep100k", "x_grep", "growth");
    double sumSmall = 0, sumLarge = 0;
    for (const std::size_t scale : {std::size_t{10000}, std::size_t{100000}}) {
        double worst = 0, worstOurs = 0;
        for (const auto& key : scales[scale].keys) {
            if (key.grepMs <= 0) continue;
            worst = std::max(worst, key.oursMs / key.grepMs);
            worstOurs = std::max(worstOurs, key.oursMs);
        }
        const std::string label = scale == 10000 ? "10k" : "100k";
        state.counters["x_grep_worst_" + label] = worst;
        state.counters["ours_worst_ms_" + label] = worstOurs;
        state.counters["stale_key_ms_" + label] = scales[scale].staleKeyMs;
        state.counters["apply_ms_" + label] = scales[scale].applyMs;
    }
    for (std::size_t k = 0; k < small.keys.size(); ++k) {
        const auto& a = small.keys[k];
        const auto& b = large.keys[k];
        sumSmall += a.oursMs;
        sumLarge += b.oursMs;
        std::fprintf(stderr, "%-8s %10.3f %10.3f %8.2f %10.3f %10.3f %8.2f %7.1f\n", ("\"" + a.text + "\"").c_str(),
                     a.oursMs, a.grepMs, a.grepMs > 0 ? a.oursMs / a.grepMs : 0, b.oursMs, b.grepMs,
                     b.grepMs > 0 ? b.oursMs / b.grepMs : 0, b.oursMs / a.oursMs);
    }
    state.counters["growth"] = sumLarge / sumSmall;
}
BENCHMARK(BM_TypedSearchEachKey)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

FRELT_BENCHMARK_MAIN()
