// The data store's search over 10,000 entries carrying 500 distinct tags:
//
//   BM_TypedSearch         the main window's search as typed: several
//                          queries, each letter by letter from an empty
//                          field, each key timed (the mean and the slowest
//                          key); most keys change the list shown;
//   BM_TypedSearchSameQueryAgain
//                          the same query again and again, the list left
//                          unchanged: the cheap path, kept to compare with
//                          what earlier versions of this benchmark measured;
//   BM_TypedSearchAgainstPeers
//                          typing as in BM_TypedSearch (the mean key) beside
//                          two other programs' matching of the same 10,000
//                          names for the first query, each without
//                          its process start: grep -F -i (goal: within 3x)
//                          and rofi's own filter (goal: ahead of it). Each peer
//                          runs over 1,000,000 lines and over one line in the
//                          same run; the difference, scaled to 10,000 lines,
//                          is its cost. rofi runs under one Xvfb kept for the
//                          whole run, and is skipped with a message where it
//                          or Xvfb is missing.
//
// The rebuild every start runs, over entries freshly loaded, and how it,
// saving, loading and adding entries one by one grow to 100,000 entries:
// StoreScalingBench.

#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "app/AppDelegate.h"
#include "platform/foundation/Text.h"
#include "store/DataStorage.h"
#include "store/DataStorageFilterCurrentData.h"
#include "store/TagManager.h"

namespace {

using frelt::DataStorage;
using frelt::TableViewItem;
using Clock = std::chrono::steady_clock;

constexpr int kEntries = 10000;
constexpr int kTags = 500;
constexpr const char* kSearchText = "report";
// Typed letter by letter: the first letters match almost every entry, the
// later ones narrow the list down to a few.
const std::vector<std::string> kQueries{kSearchText, "notes", "12", "7 rep", "999"};

std::string entryName(int i) { return "Entry " + std::to_string(i) + (i % 7 == 0 ? " Report" : " Notes"); }

// Half of the tags sit one level down, as grouped tags do.
std::string tagName(int k) { return (k % 2 ? "Group|Tag " : "Tag ") + std::to_string(k); }

const std::filesystem::path& scratch() {
    static const auto folder = frelt::bench::freshScratchFolder("frelt-datastorage-bench");
    return folder;
}

// Half links (no file test), half files in a scratch folder, so the
// reachability test and its cache are part of what is measured.
void fillStore() {
    const auto store = DataStorage::shared();
    if (store->allData()->count() == kEntries) return;
    store->allData()->removeAll();
    for (int i = 0; i < kEntries; ++i) {
        TableViewItem::Ptr entry;
        const std::string name = entryName(i);
        if (i % 2 == 0) {
            entry = TableViewItem::initForURL("https://example.org/" + std::to_string(i), name, "comment " + name);
        } else {
            const auto path = scratch() / (name + ".txt");
            std::ofstream(path) << "x";
            entry = TableViewItem::initForExternalNonSpotlightObject(path.string());
        }
        entry->setTags({tagName(i % kTags), tagName((i * 7 + 3) % kTags)});
        store->addToAllData(entry);
    }
}

// Types `text` letter by letter after emptying the field; the time of each
// key in milliseconds.
std::vector<double> typeLetterByLetter(const std::string& text) {
    const auto filter = DataStorage::shared()->filterCurrentData();
    filter->setSearchString("");
    std::vector<double> keys;
    for (std::size_t letters = 1; letters <= text.size(); ++letters) {
        const auto start = Clock::now();
        filter->setSearchString(text.substr(0, letters));
        keys.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return keys;
}

void BM_TypedSearch(benchmark::State& state) {
    fillStore();
    frelt::AppDelegate::shared()->config->searchForComments = false;
    double total = 0, slowest = 0;
    std::int64_t keys = 0;
    for (auto _ : state) {
        double iteration = 0;
        for (const auto& query : kQueries) {
            const auto times = typeLetterByLetter(query);
            for (const double t : times) {
                total += t;
                slowest = std::max(slowest, t);
            }
            keys += static_cast<std::int64_t>(times.size());
            iteration += std::accumulate(times.begin(), times.end(), 0.0);
        }
        state.SetIterationTime(iteration / 1000.0);
    }
    state.counters["key_us"] = 1000.0 * total / static_cast<double>(keys);
    state.counters["slowest_key_us"] = 1000.0 * slowest;
    state.counters["keys"] = static_cast<double>(keys) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_TypedSearch)->Unit(benchmark::kMicrosecond)->UseManualTime();

void BM_TypedSearchSameQueryAgain(benchmark::State& state) {
    fillStore();
    frelt::AppDelegate::shared()->config->searchForComments = false;
    const auto filter = DataStorage::shared()->filterCurrentData();
    for (auto _ : state) filter->setSearchString(kSearchText);
    state.counters["found"] = static_cast<double>(DataStorage::shared()->currentData()->count());
}
BENCHMARK(BM_TypedSearchSameQueryAgain)->Unit(benchmark::kMicrosecond);

// ---- The peers ---------------------------------------------------------------------

// A file of `lines` lines: the entries' names, over and over.
std::filesystem::path namesFile(const std::string& fileName, int lines) {
    const auto path = scratch() / fileName;
    std::ofstream out(path);
    for (int i = 0; i < lines; ++i) out << entryName(i % kEntries) << '\n';
    return path;
}

// An X server of its own for rofi, started once and stopped at exit.
class Xvfb {
public:
    static const Xvfb& shared() {
        static const Xvfb server;
        return server;
    }
    ~Xvfb() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    // "DISPLAY=:n", or empty when no server could be started (with why).
    std::string display;
    std::string problem;

private:
    Xvfb() {
        const auto program = frelt::bench::findProgram("Xvfb");
        if (!program) {
            problem = "Xvfb is not installed";
            return;
        }
        int fds[2];
        if (::pipe(fds) != 0) {
            problem = "no pipe for Xvfb";
            return;
        }
        // Xvfb picks a free display and writes its number to the pipe.
        std::vector<std::string> args{program->string(), "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                      "640x480x24", "-nolisten", "tcp"};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const int spawned = ::posix_spawn(&pid_, program->c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (spawned != 0) {
            pid_ = 0;
            ::close(fds[0]);
            problem = "Xvfb could not be started";
            return;
        }
        std::string number;
        char c;
        while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(fds[0]);
        if (number.empty()) problem = "Xvfb named no display";
        else display = "DISPLAY=:" + number;
    }
    pid_t pid_ = 0;
};

struct PeerCost {
    bool measured = false;
    double per10kMs = 0;
    std::string problem;
};

// A peer's cost of matching 10,000 lines: its best time over 1,000,000
// lines less its best time over one line, scaled.
PeerCost peerCost(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                  const std::vector<std::string>& environment) {
    static const auto many = namesFile("names-1000000.txt", 1000000);
    static const auto one = namesFile("names-1.txt", 1);
    double bestMany = 1e9, bestOne = 1e9;
    for (int round = 0; round < 5; ++round) {
        const auto a = frelt::bench::timedRun(program, arguments, many, environment);
        const auto b = frelt::bench::timedRun(program, arguments, one, environment);
        if (!a.ok || !b.ok || a.outputBytes == 0) return {false, 0, program.filename().string() + " failed to run"};
        bestMany = std::min(bestMany, a.seconds);
        bestOne = std::min(bestOne, b.seconds);
    }
    return {true, (bestMany - bestOne) * 1000.0 * kEntries / (1000000 - 1), ""};
}

void BM_TypedSearchAgainstPeers(benchmark::State& state) {
    fillStore();
    frelt::AppDelegate::shared()->config->searchForComments = false;
    const auto filter = DataStorage::shared()->filterCurrentData();
    filter->setSearchString(kSearchText);  // the list sorted once, as after a rebuild

    const auto grep = frelt::bench::findProgram("grep");
    if (!grep) {
        state.SkipWithError("grep is not installed");
        return;
    }
    const PeerCost grepCost = peerCost(*grep, {"-F", "-i", kSearchText}, {});
    if (!grepCost.measured) {
        state.SkipWithError(grepCost.problem.c_str());
        return;
    }
    PeerCost rofiCost;
    if (const auto rofi = frelt::bench::findProgram("rofi"); !rofi) {
        rofiCost.problem = "rofi is not installed";
    } else if (const Xvfb& x = Xvfb::shared(); x.display.empty()) {
        rofiCost.problem = x.problem;
    } else {
        rofiCost = peerCost(*rofi, {"-dmenu", "-i", "-filter", kSearchText, "-dump"}, {x.display});
    }
    if (!rofiCost.measured) std::fprintf(stderr, "skipping the comparison with rofi: %s\n", rofiCost.problem.c_str());

    double ours = 0;
    std::int64_t searches = 0;
    for (auto _ : state) {
        for (const auto& query : kQueries) {
            for (const double t : typeLetterByLetter(query)) {
                ours += t;
                ++searches;
            }
        }
    }
    const double oursMs = ours / static_cast<double>(searches);
    state.counters["ours_ms"] = oursMs;
    state.counters["grep_ms"] = grepCost.per10kMs;
    state.counters["x_grep"] = oursMs / grepCost.per10kMs;
    if (rofiCost.measured) {
        state.counters["rofi_ms"] = rofiCost.per10kMs;
        state.counters["x_rofi"] = oursMs / rofiCost.per10kMs;
    }
}
BENCHMARK(BM_TypedSearchAgainstPeers)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

FRELT_BENCHMARK_MAIN()
