// Saving and loading the stored archives of a large collection: 10,000
// entries (half links, half files, every one with two tags and a comment,
// some with a colour or a hotkey) and 500 tags with symbols and colours.
// Saving archives both lists into the user defaults; loading unarchives them
// back into the store and the tag registry, with the file-system check of
// every file entry.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/AppDelegate.h"
#include "hotkeys/KeyCombo.h"
#include "platform/foundation/Paths.h"
#include "platform/graphics/Color.h"
#include "store/Configuration.h"
#include "store/DataStorage.h"
#include "store/StoreConstants.h"
#include "store/TagManager.h"

namespace {

using frelt::DataStorage;
using frelt::TableViewItem;
using frelt::TagManager;

constexpr int kEntries = 10000;
constexpr int kTags = 500;

std::filesystem::path scratch() { return std::filesystem::temp_directory_path() / "frelt-configuration-bench"; }

// The settings go to a scratch folder, never to the user's own.
void useScratchFolders() {
    static bool done = false;
    if (done) return;
    done = true;
    const auto root = scratch();
    std::filesystem::create_directories(root / "config");
    platform::PathLayout layout;
    layout.home = root;
    layout.configHome = root / "config";
    layout.dataHome = root / "data";
    layout.cacheHome = root / "cache";
    platform::Paths::setLayout(layout);
}

void fillStore() {
    static bool filled = false;
    if (filled) return;
    filled = true;
    useScratchFolders();
    const auto folder = scratch() / "files";
    std::filesystem::create_directories(folder);
    const auto store = DataStorage::shared();
    for (int i = 0; i < kEntries; ++i) {
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
        store->addToAllData(entry);
    }
    const auto tags = TagManager::shared()->allAvailableTags();
    for (int i = 0; i < kTags; ++i) {
        auto tag = frelt::iconTag::initWithNewName("Tag " + std::to_string(i), "icon_star");
        if (i % 5 == 0) tag->setColor(platform::Color::sRGB(0.5, 0.5, 0.5));
        tags->append(tag);
    }
}

void BM_SaveEntriesAndTags(benchmark::State& state) {
    fillStore();
    const auto config = frelt::AppDelegate::shared()->config;
    for (auto _ : state) {
        config->saveAllDataArray();
        config->saveTagDataArray(false);
    }
    const auto data = config->defaults->dataForKey(frelt::DefaultsKeys::applicationData);
    state.counters["archiveKiB"] = data ? static_cast<double>(data->size()) / 1024.0 : 0.0;
}
BENCHMARK(BM_SaveEntriesAndTags)->Unit(benchmark::kMillisecond);

void BM_LoadEntriesAndTags(benchmark::State& state) {
    fillStore();
    const auto config = frelt::AppDelegate::shared()->config;
    config->saveAllDataArray();
    config->saveTagDataArray(false);
    for (auto _ : state) {
        config->loadAllDataArray();
        config->loadTagDataArray();
        benchmark::DoNotOptimize(DataStorage::shared()->allData()->count());
    }
    state.counters["entries"] = static_cast<double>(DataStorage::shared()->allData()->count());
    state.counters["tags"] = static_cast<double>(TagManager::shared()->allAvailableTags()->count());
}
BENCHMARK(BM_LoadEntriesAndTags)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
