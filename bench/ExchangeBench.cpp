// Export and import of a large collection: 10,000 entries (links, files and
// folders, each with tags and a comment, some with a colour, a hotkey or the
// favourite mark) and 500 tags (nested names, symbols, some with colours and
// hotkeys), plus URL templates and a global hotkey.
//
// Export: the user's export without the save panel, from the live data to an
// atomically written file. Import: the whole import of that file (read, check
// every nested archive, replace the lists and settings, rebuild, save), and
// the read and check alone.

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/AppDelegate.h"
#include "exchange/ExportData.h"
#include "exchange/ExportImportData.h"
#include "exchange/ExportImportManager.h"
#include "exchange/ImportData.h"
#include "hotkeys/KeyCombo.h"
#include "platform/foundation/Paths.h"
#include "platform/graphics/Color.h"
#include "sources/urls/URLManager.h"
#include "store/DataStorage.h"
#include "store/TagManager.h"

namespace {

namespace fs = std::filesystem;
using frelt::TableViewItem;

constexpr int kEntries = 10000;
constexpr int kTags = 500;

fs::path scratch() { return fs::temp_directory_path() / "frelt-exchange-bench"; }
platform::URL exportFile() { return platform::URL::fileURL((scratch() / "bench.frelt_ExportData").string()); }

void setUp() {
    static bool done = false;
    if (done) return;
    done = true;

    const auto root = scratch();
    frelt::bench::useFolders(root);

    const auto files = root / "entries";
    fs::create_directories(files);
    const auto store = frelt::DataStorage::shared();
    const auto command = platform::modifierflags::command;
    for (int i = 0; i < kEntries; ++i) {
        const std::string number = std::to_string(i);
        TableViewItem::Ptr entry;
        switch (i % 4) {
        case 0:
        case 1: entry = TableViewItem::initForURL("https://example.org/item/" + number, "Link " + number, ""); break;
        case 2: {
            const auto path = files / ("document " + number + ".txt");
            if (!fs::exists(path)) std::ofstream(path) << number;
            entry = TableViewItem::initForExternalNonSpotlightObject(path.string());
            break;
        }
        default: {
            const auto path = files / ("folder " + number);
            fs::create_directories(path);
            entry = TableViewItem::initForExternalNonSpotlightObject(path.string());
        }
        }
        entry->setTags({"Area " + std::to_string(i % 20) + "|Topic " + std::to_string(i % kTags),
                        "Topic " + std::to_string((i * 13) % kTags)});
        entry->setComment("Entry number " + number + ", kept for the benchmark");
        if (i % 7 == 0) entry->setColor(platform::Color::sRGB(0.2, 0.4, 0.6, 0.8));
        if (i % 40 == 0) entry->setHotkey(frelt::KeyCombo::make(frelt::Key::j, command));
        if (i % 3 == 0) entry->setIsFavorite(true);
        store->addToAllData(entry);
    }

    const auto tags = frelt::TagManager::shared();
    const auto& icons = tags->iconNames();
    for (int i = 0; i < kTags; ++i) {
        auto tag = frelt::iconTag::initWithNewName("Topic " + std::to_string(i), icons[i % icons.size()]);
        if (i % 4 == 0) tag->setColor(platform::Color::sRGB(0.9, 0.3, 0.1));
        if (i % 50 == 0) tag->setHotkey(frelt::KeyCombo::make(frelt::Key::t, command));
        tags->allAvailableTags()->append(tag);
    }
    frelt::URLManager::shared()->buildDefaultTemplates();
    frelt::AppDelegate::shared()->config->globalKeyCombo =
        frelt::KeyCombo::makeDoubled(platform::modifierflags::option);
    store->rebuildData(frelt::RebuildDataReason::configViewContent);
}

platform::Data fileBytes() {
    std::ifstream in(exportFile().path(), std::ios::binary);
    return platform::Data(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void BM_Export(benchmark::State& state) {
    setUp();
    const auto exporter = frelt::ExportImportManager::shared()->exportData;
    for (auto _ : state) {
        if (!exporter->exportAll(exportFile(), false)) state.SkipWithError("export failed");
    }
    state.counters["fileKiB"] = static_cast<double>(fs::file_size(exportFile().path())) / 1024.0;
}
BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond);

void BM_Import(benchmark::State& state) {
    setUp();
    const auto manager = frelt::ExportImportManager::shared();
    if (!manager->exportData->exportAll(exportFile(), false)) state.SkipWithError("export failed");
    for (auto _ : state) {
        if (!manager->importData->importFromURL(exportFile())) state.SkipWithError("import failed");
    }
    state.counters["entries"] = static_cast<double>(frelt::DataStorage::shared()->allData()->count());
    state.counters["tags"] = static_cast<double>(frelt::TagManager::shared()->allAvailableTags()->count());
}
BENCHMARK(BM_Import)->Unit(benchmark::kMillisecond);

void BM_ReadAndCheckExportFile(benchmark::State& state) {
    setUp();
    if (!frelt::ExportImportManager::shared()->exportData->exportAll(exportFile(), false))
        state.SkipWithError("export failed");
    const auto bytes = fileBytes();
    for (auto _ : state) {
        auto read = frelt::readExportFile(bytes);
        if (!read.content) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(read.content->entries.size());
    }
}
BENCHMARK(BM_ReadAndCheckExportFile)->Unit(benchmark::kMillisecond);

}  // namespace

FRELT_BENCHMARK_MAIN();
