// The entry table's cost at the scale of a large collection: reloading
// 100,000 rows and scrolling through them 1,000 rows at a time. Only the
// visible rows (and a small margin) get views, so both stay cheap.

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <memory>
#include <string>

#include "platform/appkit/Application.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/TableView.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/Window.h"

namespace {

using namespace platform;

constexpr long kRows = 100000;

// Rows of 64 points with a cell holding a text field, like the main table's.
class Entries : public TableViewDataSource, public TableViewDelegate {
public:
    long cellsMade = 0;
    long cellsConfigured = 0;

    long numberOfRowsInTableView(TableView&) override { return kRows; }
    double heightOfRow(TableView&, long) override { return 64; }
    std::shared_ptr<View> viewForTableColumn(TableView& table, const std::shared_ptr<TableColumn>&, long row) override {
        auto cell = std::dynamic_pointer_cast<TableCellView>(table.makeViewWithIdentifier("Entry", nullptr));
        if (!cell) return nullptr;
        if (auto field = cell->textField()) field->setStringValue("Entry " + std::to_string(row));
        ++cellsConfigured;
        return cell;
    }
};

struct Fixture {
    std::shared_ptr<Entries> entries = std::make_shared<Entries>();
    std::shared_ptr<Window> window = std::make_shared<Window>(Rect(0, 0, 480, 640));
    std::shared_ptr<ScrollView> scroll = std::make_shared<ScrollView>(Rect(0, 0, 480, 640));
    std::shared_ptr<TableView> table = std::make_shared<TableView>();

    Fixture() {
        window->contentView()->addSubview(scroll);
        table->addTableColumn(std::make_shared<TableColumn>("entry"));
        table->registerViewFactory("Entry", [this] {
            ++entries->cellsMade;
            auto cell = std::make_shared<TableCellView>(Rect(0, 0, 480, 64));
            auto field = std::make_shared<TextField>(Rect(48, 8, 400, 20));
            cell->addSubview(field);
            cell->setTextField(field);
            return cell;
        });
        table->setDataSource(entries);
        table->setDelegate(entries);
        scroll->setDocumentView(table);
        window->makeKeyAndOrderFront();
        table->reloadData();
    }

    long rowViews() {
        long n = 0;
        table->enumerateAvailableRowViews([&](const auto&, long) { ++n; });
        return n;
    }
};

void BM_ReloadTable100k(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        f.table->reloadData();
        benchmark::DoNotOptimize(f.table->numberOfRows());
    }
    state.counters["rows"] = double(f.table->numberOfRows());
    state.counters["rowViews"] = double(f.rowViews());
    state.counters["cellsMade"] = double(f.entries->cellsMade);
}
BENCHMARK(BM_ReloadTable100k)->Unit(benchmark::kMillisecond);

void BM_ScrollTable100kBy1000Rows(benchmark::State& state) {
    Fixture f;
    long row = 0;
    for (auto _ : state) {
        row = (row + 1000) % kRows;
        f.table->scrollRowToVisible(row);
    }
    if (f.table->rowViewAtRow(row, false) == nullptr) state.SkipWithError("the scrolled-to row has no view");
    state.counters["rowViews"] = double(f.rowViews());
    state.counters["cellsMade"] = double(f.entries->cellsMade);
}
BENCHMARK(BM_ScrollTable100kBy1000Rows)->Unit(benchmark::kMillisecond);

}  // namespace

FRELT_BENCHMARK_MAIN();
