// Painting the kit on Qt: a window whose table shows 40 rows (an icon and a
// label each, one selected) repainted whole, as a scroll or a filter does.
// Goal: under 4 ms a frame. Drawn offscreen into an image, which costs what
// a window's backing store does.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QWidget>

#include <memory>
#include <string>

#include "BenchSupport.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/TableView.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/Window.h"
#include "platform/qt/QtDesktop.h"
#include "platform/qt/QtKitBackend.h"

namespace {

using namespace platform;

constexpr long kRows = 400;
constexpr double kRowHeight = 24;
constexpr long kVisibleRows = 40;

class Entries : public TableViewDataSource, public TableViewDelegate {
public:
    Entries() {
        for (int i = 0; i < 12; ++i) {
            const double hue = i / 12.0;
            icons.push_back(Image::imageWithSize({18, 18}, false, [hue](const Rect& r) {
                setFillColor(Color::calibratedHSB(hue, 0.6, 0.85));
                BezierPath::withRoundedRect(r.insetBy(1, 1), 4, 4).fill();
                return true;
            }));
        }
    }
    long numberOfRowsInTableView(TableView&) override { return kRows; }
    std::shared_ptr<View> viewForTableColumn(TableView& table, const std::shared_ptr<TableColumn>&, long row) override {
        auto cell = std::dynamic_pointer_cast<TableCellView>(table.makeViewWithIdentifier("Entry", nullptr));
        if (!cell) {
            cell = std::make_shared<TableCellView>(Rect(0, 0, 400, kRowHeight));
            cell->setIdentifier("Entry");
            auto icon = std::make_shared<ImageView>(Rect(4, 3, 18, 18));
            auto label = TextField::label("");
            label->setFrame(Rect(28, 0, 360, kRowHeight));
            cell->addSubview(icon);
            cell->addSubview(label);
            cell->setImageView(icon);
            cell->setTextField(label);
        }
        cell->imageView()->setImage(icons[std::size_t(row % 12)]);
        cell->textField()->setStringValue("Application number " + std::to_string(row) + " of the launcher");
        return cell;
    }
    std::vector<std::shared_ptr<Image>> icons;
};

void BM_PaintWindowOf40TableRows(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "bench_QtPaintBench";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    qt::installDesktop(argc, argv);

    auto entries = std::make_shared<Entries>();
    auto window = std::make_shared<Window>(Rect(0, 0, 420, kVisibleRows * kRowHeight));
    auto scroll = std::make_shared<ScrollView>(Rect(0, 0, 420, kVisibleRows * kRowHeight));
    auto table = std::make_shared<TableView>(Rect(0, 0, 420, kVisibleRows * kRowHeight));
    table->addTableColumn(std::make_shared<TableColumn>("name"));
    table->setDataSource(entries);
    table->setDelegate(entries);
    scroll->setDocumentView(table);
    table->reloadData();
    table->selectRowIndexes(IndexSet::withIndex(3), false);
    window->contentView()->addSubview(scroll);
    window->makeKeyAndOrderFront();
    QWidget* widget = qt::QtKitBackend::widgetOf(*window);
    QImage frame(widget->size(), QImage::Format_ARGB32_Premultiplied);
    long rowsShown = 0;
    for (auto _ : state) {
        widget->render(&frame);
        benchmark::ClobberMemory();
    }
    table->enumerateAvailableRowViews([&](const std::shared_ptr<TableRowView>& rowView, long) {
        if (rowView->frame().intersects(table->visibleRect())) ++rowsShown;
    });
    state.counters["rows shown"] = double(rowsShown);
    window->orderOut();
}
BENCHMARK(BM_PaintWindowOf40TableRows)->Unit(benchmark::kMillisecond);

}  // namespace

FRELT_BENCHMARK_MAIN();
