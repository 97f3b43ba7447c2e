// One keystroke in the main window's search field, the whole way to the
// screen: the key event, the filter over 10,000 entries, the table's reload
// with its visible cells made and laid out, and the window painted through
// the desktop backend (offscreen, into an image, which costs what a
// window's backing store does). Goal: under 16 ms, one frame.
//
// The keys type a word and take it back letter by letter, so every run
// changes the list the way typing does.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QWidget>

#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "BenchSupport.h"
#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "app/InterfaceResources.h"
#include "mainwindow/MainTableView.h"
#include "mainwindow/MainViewController.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/Paths.h"
#include "platform/qt/QtDesktop.h"
#include "platform/qt/QtKitBackend.h"
#include "store/DataStorage.h"
#include "store/DataStorageFilterCurrentData.h"

namespace {

using namespace frelt;

constexpr int kEntries = 10000;

// Names as people's lists have them: a few words, some shared widely.
std::string entryName(int i) {
    static const std::array<const char*, 16> first = {"Project", "Invoice", "Photo", "Notes",  "Budget", "Report",
                                                      "Recipe",  "Travel",  "Music", "Letter", "Design", "Backup",
                                                      "Server",  "Garden",  "Books", "Taxes"};
    static const std::array<const char*, 12> second = {"Alpha", "Berlin", "Summer", "draft", "final", "2024",
                                                       "Kitchen", "review", "team", "old", "new", "archive"};
    return std::string(first[std::size_t(i) % first.size()]) + " " + second[std::size_t(i / 16) % second.size()] + " " +
           std::to_string(i);
}

void fillStore() {
    const auto scratch = bench::freshScratchFolder("frelt-keystroke-bench");
    setenv("HOME", scratch.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (scratch / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (scratch / "data").c_str(), 1);
    setenv("XDG_CACHE_HOME", (scratch / "cache").c_str(), 1);
    const auto files = scratch / "files";
    std::filesystem::create_directories(files);
    std::vector<TableViewItem::Ptr> entries;
    for (int i = 0; i < kEntries; ++i) {
        const std::string name = entryName(i);
        if (i % 4 == 0) {
            const auto path = files / (name + ".txt");
            std::ofstream(path) << "x";
            entries.push_back(TableViewItem::initForExternalNonSpotlightObject(path.string()));
        } else {
            auto link = TableViewItem::initForURL("https://example.org/" + std::to_string(i), name, "");
            if (i % 7 == 0) link->setComment("Shared with the " + std::string(i % 2 ? "team" : "family"));
            entries.push_back(link);
        }
    }
    const auto store = DataStorage::shared();
    store->addToAllData(entries);
    store->rebuildData(RebuildDataReason::datastorageInitialize);
}

void key(std::uint16_t code, const std::string& characters) {
    const auto app = platform::Application::shared();
    app->sendEvent(platform::Event::keyEvent(platform::EventType::keyDown, code, characters, characters, 0, app->keyWindow()));
}

void BM_KeystrokeToPaintedTable(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "bench_QtMainWindowKeystrokeBench";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    fillStore();
    platform::qt::installDesktop(argc, argv);
    registerInterfaceResources();
    AppDelegate::shared()->config->windowViewStyle = 1;
    const auto manager = FreltManager::shared();
    manager->mainWindowShow();
    platform::Application::shared()->activate();
    const auto controller = manager->viewControllerMain();
    const auto window = controller->view()->window();
    QWidget* widget = window ? platform::qt::QtKitBackend::widgetOf(*window) : nullptr;
    if (!widget) {
        state.SkipWithError("the main window has no widget");
        return;
    }
    QImage frame(widget->size(), QImage::Format_ARGB32_Premultiplied);
    widget->render(&frame);

    // "project" typed and taken back again, one key per run.
    const std::string word = "project";
    std::size_t step = 0;
    long rows = 0;
    for (auto _ : state) {
        const std::size_t position = step % (2 * word.size());
        if (position < word.size()) key(0, std::string(1, word[position]));
        else key(platform::keycode::deleteKey, "\x7f");
        ++step;
        widget->render(&frame);
        benchmark::ClobberMemory();
        rows += controller->mainTableView.lock()->numberOfRows();
    }
    state.counters["listed entries"] = benchmark::Counter(double(rows), benchmark::Counter::kAvgIterations);
    manager->closeMainWindow();
}
BENCHMARK(BM_KeystrokeToPaintedTable)->Unit(benchmark::kMillisecond)->Iterations(140);

}  // namespace

FRELT_BENCHMARK_MAIN();
