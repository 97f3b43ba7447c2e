// frelt-kit-demo: the kit's controls on the desktop, for trying the kit by
// hand. One window with a button, text and search fields, a check box, radio
// buttons, a slider, a pop-up button, a segmented control and a table of
// entries; a popover, an alert, an open panel, a menu on a right click in
// the table, and a tray icon where the desktop has a tray. What happens is
// written to the label at the bottom.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/Alert.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/Menu.h"
#include "platform/appkit/OpenPanel.h"
#include "platform/appkit/Popover.h"
#include "platform/appkit/PopUpButton.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/Slider.h"
#include "platform/appkit/StatusItem.h"
#include "platform/appkit/TableView.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/ViewController.h"
#include "platform/appkit/Window.h"
#include "platform/qt/QtDesktop.h"

using namespace platform;

namespace {

// A round coloured dot, drawn by the kit (the tray icon and the table's icons).
std::shared_ptr<Image> dot(Color colour) {
    auto image = Image::imageWithSize({18, 18}, false, [colour](const Rect& r) {
        setFillColor(colour);
        BezierPath::withOvalInRect(r.insetBy(2, 2)).fill();
        return true;
    });
    return image;
}

class Entries : public TableViewDataSource, public TableViewDelegate {
public:
    explicit Entries(std::shared_ptr<TextField> status) : status_(std::move(status)) {
        for (int i = 1; i <= 60; ++i) names_.push_back("Entry " + std::to_string(i));
    }

    std::vector<std::string> shown() const {
        if (filter_.empty()) return names_;
        std::vector<std::string> out;
        for (const auto& n : names_)
            if (n.find(filter_) != std::string::npos) out.push_back(n);
        return out;
    }
    void setFilter(std::string f) { filter_ = std::move(f); }

    long numberOfRowsInTableView(TableView&) override { return long(shown().size()); }

    std::shared_ptr<View> viewForTableColumn(TableView& table, const std::shared_ptr<TableColumn>&, long row) override {
        auto cell = std::dynamic_pointer_cast<TableCellView>(table.makeViewWithIdentifier("cell", nullptr));
        if (!cell) {
            cell = std::make_shared<TableCellView>(Rect(0, 0, 300, 24));
            cell->setIdentifier("cell");
            auto icon = std::make_shared<ImageView>(Rect(4, 3, 18, 18));
            auto label = TextField::label("");
            label->setFrame(Rect(28, 0, 260, 24));
            label->setAutoresizingMask(autoresizing::widthSizable);
            cell->addSubview(icon);
            cell->addSubview(label);
            cell->setImageView(icon);
            cell->setTextField(label);
        }
        const auto names = shown();
        cell->textField()->setStringValue(names[std::size_t(row)]);
        cell->imageView()->setImage(dot(Color::calibratedHSB(double(row % 12) / 12, 0.6, 0.9)));
        return cell;
    }

    void tableViewSelectionDidChange(const Notification& n) override {
        if (auto table = notificationObject<TableView>(n); table && table->selectedRow() >= 0)
            status_->setStringValue("Selected " + shown()[std::size_t(table->selectedRow())]);
    }

private:
    std::vector<std::string> names_;
    std::string filter_;
    std::shared_ptr<TextField> status_;
};

class SearchDelegate : public ControlTextEditingDelegate {
public:
    SearchDelegate(std::shared_ptr<Entries> entries, std::shared_ptr<TableView> table)
        : entries_(std::move(entries)), table_(std::move(table)) {}
    void controlTextDidChange(const Notification& n) override {
        if (auto field = notificationObject<Control>(n)) entries_->setFilter(field->stringValue());
        table_->reloadData();
    }

private:
    std::shared_ptr<Entries> entries_;
    std::shared_ptr<TableView> table_;
};

}  // namespace

int main(int argc, char** argv) {
    qt::installDesktop(argc, argv);
    auto app = Application::shared();

    auto window = std::make_shared<Window>(Rect(200, 150, 560, 520));
    window->setTitle("Frelt kit demo");
    window->setMinSize({420, 380});
    auto content = window->contentView();

    auto status = TextField::label("Try the controls.");
    status->setFrame(Rect(20, 486, 520, 22));
    status->setAutoresizingMask(autoresizing::widthSizable | autoresizing::minYMargin);

    auto button = Button::withTitle("Show an alert", [status](const std::shared_ptr<Control>&) {
        auto alert = Alert::make();
        alert->setMessageText("Open the selected entry?");
        alert->setInformativeText("Escape cancels; the check box is read afterwards.");
        alert->addButton("Open");
        alert->addButton("Cancel");
        alert->setShowsSuppressionButton(true);
        const auto response = alert->runModal();
        const bool suppressed = alert->suppressionButton()->state() == ControlStateValue::on;
        status->setStringValue("The alert answered " + std::to_string(response) + (suppressed ? ", do not show again" : ""));
    });
    button->setFrame(Rect(20, 20, 140, 28));
    button->setKeyEquivalent("\r");

    auto openButton = Button::withTitle("Open a file…", [status](const std::shared_ptr<Control>&) {
        auto panel = OpenPanel::make();
        panel->setMessage("Choose a file");
        if (panel->runModal() == modalresponse::ok) status->setStringValue("Chosen: " + panel->URLs().front().path());
        else status->setStringValue("The open panel was cancelled");
    });
    openButton->setFrame(Rect(170, 20, 130, 28));

    auto field = TextField::textField("");
    field->setPlaceholderString("A text field");
    field->setFrame(Rect(20, 60, 250, 24));

    auto search = std::make_shared<SearchField>(Rect(280, 60, 260, 24));
    search->setPlaceholderString("Filter the entries");
    search->setAutoresizingMask(autoresizing::widthSizable);

    auto check = Button::checkbox("A check box", [status](const std::shared_ptr<Control>& c) {
        status->setStringValue(std::string("Check box ") +
                               (std::static_pointer_cast<Button>(c)->state() == ControlStateValue::on ? "on" : "off"));
    });
    check->setFrame(Rect(20, 96, 140, 22));

    auto radioA = Button::withTitle("Left");
    auto radioB = Button::withTitle("Right");
    for (auto& r : {radioA, radioB}) r->setButtonType(ButtonType::radio);
    radioA->setFrame(Rect(170, 96, 70, 22));
    radioB->setFrame(Rect(240, 96, 70, 22));
    radioA->setState(ControlStateValue::on);
    radioA->setActionHandler([radioB](const std::shared_ptr<Control>&) { radioB->setState(ControlStateValue::off); });
    radioB->setActionHandler([radioA](const std::shared_ptr<Control>&) { radioA->setState(ControlStateValue::off); });

    auto slider = std::make_shared<Slider>(Rect(320, 96, 220, 24));
    slider->setMaxValue(100);
    slider->setDoubleValue(40);
    slider->setActionHandler([status](const std::shared_ptr<Control>& c) {
        status->setStringValue("Slider at " + std::to_string(int(c->doubleValue())));
    });

    auto popup = std::make_shared<PopUpButton>(Rect(20, 130, 160, 26));
    popup->addItemsWithTitles({"Window", "Popover", "Detached"});
    popup->setActionHandler([status, popup](const std::shared_ptr<Control>&) {
        status->setStringValue("Chose " + popup->titleOfSelectedItem());
    });

    auto segments = std::make_shared<SegmentedControl>(Rect(190, 130, 200, 26));
    segments->setSegmentCount(3);
    segments->setLabel("All", 0);
    segments->setLabel("Apps", 1);
    segments->setLabel("Files", 2);
    segments->setSelectedSegment(0);

    auto popoverButton = Button::withTitle("Popover");
    popoverButton->setFrame(Rect(400, 129, 140, 28));

    auto scroll = std::make_shared<ScrollView>(Rect(20, 170, 520, 306));
    scroll->setAutoresizingMask(autoresizing::widthSizable | autoresizing::heightSizable);
    scroll->setBorderType(BorderType::lineBorder);
    auto table = std::make_shared<TableView>(Rect(0, 0, 520, 306));
    table->addTableColumn(std::make_shared<TableColumn>("name"));
    auto entries = std::make_shared<Entries>(status);
    table->setDataSource(entries);
    table->setDelegate(entries);
    scroll->setDocumentView(table);
    table->reloadData();
    table->setDoubleAction("open:");
    auto menu = std::make_shared<Menu>("Entry");
    menu->addItem("Open", [status, table](const std::shared_ptr<MenuItem>&) {
        status->setStringValue("Open chosen for row " + std::to_string(table->clickedRow()));
    });
    menu->addItem("Rename", [status](const std::shared_ptr<MenuItem>&) { status->setStringValue("Rename chosen"); });
    menu->addSeparator();
    menu->addItem("Remove", [status](const std::shared_ptr<MenuItem>&) { status->setStringValue("Remove chosen"); });

    auto searchDelegate = std::make_shared<SearchDelegate>(entries, table);
    search->setDelegate(searchDelegate);

    for (auto v : std::vector<std::shared_ptr<View>>{button, openButton, field, search, check, radioA, radioB, slider,
                                                     popup, segments, popoverButton, scroll, status})
        content->addSubview(v);

    // Double click and right click on the table, through a small subclass-free hook.
    class TableHooks : public Object {
    public:
        TableHooks(std::shared_ptr<TextField> status, std::shared_ptr<TableView> table, std::shared_ptr<Menu> menu)
            : status_(std::move(status)), table_(std::move(table)), menu_(std::move(menu)) {
            registerAction("open:", [this](const std::shared_ptr<Object>&) {
                status_->setStringValue("Double click on row " + std::to_string(table_->clickedRow()));
            });
        }
        std::shared_ptr<TextField> status_;
        std::shared_ptr<TableView> table_;
        std::shared_ptr<Menu> menu_;
    };
    auto hooks = std::make_shared<TableHooks>(status, table, menu);
    table->setTarget(hooks);
    // The right mouse-down has told the table which row was clicked; the
    // menu opens at the mouse-up.
    auto rightClicks = app->addLocalMonitorForEventsMatchingMask(eventmask::rightMouseUp, [&](const EventPtr& e) -> EventPtr {
        if (e->windowPtr() != window) return e;
        const Point p = table->convertPointFromWindow(e->locationInWindow);
        if (!table->bounds().contains(p) || table->clickedRow() < 0) return e;
        menu->popUp(nullptr, p, table);
        return nullptr;
    });

    // The popover: a small controller with a label and a slider.
    auto popoverContent = std::make_shared<ViewController>();
    popoverContent->setPreferredContentSize({240, 110});
    auto popover = std::make_shared<Popover>();
    popover->setBehavior(PopoverBehavior::transient);
    popover->setContentViewController(popoverContent);
    popoverButton->setActionHandler([popover, popoverButton, popoverContent](const std::shared_ptr<Control>&) {
        if (popover->isShown()) {
            popover->close();
            return;
        }
        auto view = popoverContent->view();
        if (view->subviews().empty()) {
            auto label = TextField::label("A popover, drawn by the kit.");
            label->setFrame(Rect(16, 16, 208, 22));
            auto inner = std::make_shared<Slider>(Rect(16, 56, 208, 24));
            inner->setDoubleValue(0.7);
            view->addSubview(label);
            view->addSubview(inner);
        }
        popover->showRelativeToRect(popoverButton->bounds(), popoverButton, RectEdge::maxY);
    });

    // The tray icon: a left click brings the window up, a right click shows a menu.
    auto trayMenu = std::make_shared<Menu>("Tray");
    trayMenu->addItem("Show the window", [window](const std::shared_ptr<MenuItem>&) { window->makeKeyAndOrderFront(); });
    trayMenu->addItem("Quit", [app](const std::shared_ptr<MenuItem>&) { app->terminate(); });
    auto trayItem = StatusBar::systemStatusBar()->statusItemWithLength(statusitemlength::square);
    if (auto trayButton = trayItem->button()) {
        trayButton->setImage(dot(Color::sRGB(0.2, 0.5, 0.9)));
        trayButton->setToolTip("Frelt kit demo");
        trayButton->sendActionOn(eventmask::leftMouseDown | eventmask::rightMouseUp);
        trayButton->setActionHandler([app, window, trayMenu, trayItem](const std::shared_ptr<Control>&) {
            auto e = app->currentEvent();
            if (e && e->type == EventType::rightMouseUp) {
                trayMenu->popUp(nullptr, {0, 22}, trayItem->button());
                return;
            }
            if (window->isVisible() && window->isKeyWindow()) window->orderOut();
            else window->makeKeyAndOrderFront();
        });
    }

    window->setInitialFirstResponder(field);
    window->makeKeyAndOrderFront();
    std::fputs("frelt-kit-demo: close the window or choose Quit in the tray menu to end.\n", stdout);
    auto closed = NotificationCenter::defaultCenter().observe(
        windownotification::willClose, window.get(), [app](const Notification&) {
            if (!StatusBar::systemStatusBar()->isAvailable()) app->terminate();
        });
    app->run();
    return 0;
}
