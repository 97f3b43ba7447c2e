// Real input on a real X server: xdotool types and clicks, the X server
// sends the events to Qt, and the kit hears them as a person's input. ctest
// runs these on Xvfb (test_platform_qt_x11); elsewhere they say why they skip.

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QWidget>

#include "support/qt/QtTestSupport.h"
#include "platform/appkit/Alert.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/DraggingInfo.h"
#include "platform/appkit/Pasteboard.h"
#include "platform/appkit/Menu.h"
#include "platform/appkit/TableView.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/RunLoop.h"
#include "platform/qt/QtModalPresenter.h"

using namespace platform;

namespace {

class QtX11Test : public QtX11KitTest {
protected:
    void SetUp() override {
        QtX11KitTest::SetUp();
        if (IsSkipped()) return;
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            GTEST_SKIP() << "needs xdotool (scripts/install-deps installs it)";
    }

    // Runs xdotool with `arguments` without waiting for it.
    void xdotool(const QStringList& arguments) {
        auto* process = new QProcess(qApp);
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        process->start(QStringLiteral("xdotool"), arguments);
    }

    // Clicks (or more) at a point of a kit window's content.
    void click(const std::shared_ptr<Window>& window, Point p, int button = 1, int repeat = 1) {
        const Rect f = window->frame();
        xdotool({"mousemove", QString::number(int(f.minX() + p.x)), QString::number(int(f.minY() + p.y)), "click",
                 "--repeat", QString::number(repeat), "--delay", "40", QString::number(button)});
    }

    // Shows the window and waits until the X server gave it the focus.
    void showAndFocus(const std::shared_ptr<Window>& window) {
        window->makeKeyAndOrderFront();
        Application::shared()->activate();
        ASSERT_TRUE(runUntil([&] {
            QWidget* w = widgetOf(*window);
            return w && w->isActiveWindow();
        })) << "the window never got the focus";
    }

    // Runs `action` once `condition` holds, from a timer of every mode (so
    // also inside a modal run or a menu's).
    std::shared_ptr<Timer> when(std::function<bool()> condition, std::function<void()> action) {
        auto timer = Timer::make(std::chrono::milliseconds(20), true, [condition, action](Timer& t) {
            if (!condition()) return;
            t.invalidate();
            action();
        });
        RunLoop::main().addTimer(timer, RunLoopMode::common);
        return timer;
    }
};

struct Changes : ControlTextEditingDelegate {
    std::vector<std::string> texts;
    std::shared_ptr<TextField> field;
    void controlTextDidChange(const Notification&) override { texts.push_back(field->stringValue()); }
};

TEST_F(QtX11Test, TypingIntoATextFieldReachesTheTextChangeCallbacks) {
    auto window = std::make_shared<Window>(Rect(100, 100, 320, 80));
    auto field = TextField::textField("");
    field->setFrame(Rect(20, 20, 280, 24));
    auto changes = std::make_shared<Changes>();
    changes->field = field;
    field->setDelegate(changes);
    window->contentView()->addSubview(field);
    window->setInitialFirstResponder(field);
    showAndFocus(window);
    xdotool({"type", "--delay", "20", "Frelt 2"});
    EXPECT_TRUE(runUntil([&] { return field->stringValue() == "Frelt 2"; })) << "typed: " << field->stringValue();
    EXPECT_EQ(changes->texts.front(), "F");
    EXPECT_EQ(changes->texts.back(), "Frelt 2");
    EXPECT_EQ(changes->texts.size(), 7u) << "one change per character";
}

class LabelRows : public TableViewDataSource, public TableViewDelegate {
public:
    long numberOfRowsInTableView(TableView&) override { return 10; }
    std::shared_ptr<View> viewForTableColumn(TableView&, const std::shared_ptr<TableColumn>&, long row) override {
        auto label = TextField::label("Row " + std::to_string(row));
        return label;
    }
};

class Opener : public Object {
public:
    Opener() {
        registerAction("open:", [this](const std::shared_ptr<Object>&) { ++opened; });
        registerAction("select:", [this](const std::shared_ptr<Object>&) { ++selected; });
    }
    int opened = 0;
    int selected = 0;
};

TEST_F(QtX11Test, AClickSelectsARowAndADoubleClickRunsTheDoubleAction) {
    auto window = std::make_shared<Window>(Rect(100, 100, 300, 260));
    auto scroll = std::make_shared<ScrollView>(Rect(0, 0, 300, 260));
    auto table = std::make_shared<TableView>(Rect(0, 0, 300, 260));
    auto rows = std::make_shared<LabelRows>();
    auto opener = std::make_shared<Opener>();
    table->addTableColumn(std::make_shared<TableColumn>("name"));
    table->setDataSource(rows);
    table->setDelegate(rows);
    table->setTarget(opener);
    table->setAction("select:");
    table->setDoubleAction("open:");
    scroll->setDocumentView(table);
    table->reloadData();
    window->contentView()->addSubview(scroll);
    showAndFocus(window);

    click(window, {50, 3 * 24 + 12});
    EXPECT_TRUE(runUntil([&] { return opener->selected == 1; }));
    EXPECT_EQ(table->selectedRow(), 3);
    EXPECT_EQ(opener->opened, 0);

    click(window, {50, 5 * 24 + 12}, 1, 2);
    EXPECT_TRUE(runUntil([&] { return opener->opened == 1; }));
    EXPECT_EQ(table->selectedRow(), 5);
    EXPECT_EQ(table->clickedRow(), 5);
}

TEST_F(QtX11Test, ARightClickPopsUpAMenuWhoseItemChosenWithKeysRunsAfterItCloses) {
    struct MenuView : View {
        MenuView(std::shared_ptr<Menu> m) : View(Rect(0, 0, 300, 200)), menu(std::move(m)) {}
        void rightMouseDown(const Event& e) override {
            const Point p = convertPointFromWindow(e.locationInWindow);
            returned = menu->popUp(nullptr, p, std::static_pointer_cast<View>(shared_from_this())) ? 1 : 0;
        }
        std::shared_ptr<Menu> menu;
        int returned = -1;
    };
    auto menu = std::make_shared<Menu>("Entry");
    std::vector<std::string> ran;
    menu->addItem("Open", [&](const std::shared_ptr<MenuItem>&) { ran.push_back("Open"); });
    menu->addItem("Rename", [&](const std::shared_ptr<MenuItem>&) {
        ran.push_back(menu->isOpen() ? "Rename while open" : "Rename after closing");
    });
    auto window = std::make_shared<Window>(Rect(100, 100, 300, 200));
    auto view = std::make_shared<MenuView>(menu);
    window->contentView()->addSubview(view);
    showAndFocus(window);

    auto keys = when([] { auto* m = qt::QtModalPresenter::shownMenu(); return m && m->isVisible(); },
                     [this] { xdotool({"key", "--delay", "40", "Down", "Down", "Return"}); });
    click(window, {60, 60}, 3);
    EXPECT_TRUE(runUntil([&] { return view->returned != -1; }));
    EXPECT_EQ(view->returned, 1);
    EXPECT_EQ(ran, (std::vector<std::string>{"Rename after closing"}));
}

TEST_F(QtX11Test, EscapeCancelsAnAlertRunModally) {
    auto window = std::make_shared<Window>(Rect(100, 100, 300, 200));
    showAndFocus(window);
    auto alert = Alert::make();
    alert->setMessageText("Remove the entry?");
    alert->addButton("Remove");
    alert->addButton("Cancel");
    auto keys = when([] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        return box && box->isActiveWindow();
    }, [this] { xdotool({"key", "Escape"}); });
    EXPECT_EQ(alert->runModal(), Alert::responseForButton(1));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace

namespace {

class DraggableRows : public LabelRows {
public:
    std::shared_ptr<PasteboardWriting> pasteboardWriterForRow(TableView&, long row) override {
        return pasteboardWriterForURL(URL::fileURL("/tmp/row" + std::to_string(row) + ".txt"));
    }
};

TEST_F(QtX11Test, ARowDraggedToAnotherWindowArrivesWithItsPasteboard) {
    struct Destination : View {
        Destination() : View(Rect(0, 0, 200, 200)) { registerForDraggedTypes({pasteboardtype::fileURL}); }
        DragOperation draggingEntered(const std::shared_ptr<DraggingInfo>&) override { return dragoperation::copy; }
        bool performDragOperation(const std::shared_ptr<DraggingInfo>& info) override {
            dropped = info->draggingPasteboard()->stringForType(pasteboardtype::fileURL).value_or("?");
            fromUs = info->draggingSource() != nullptr;
            return true;
        }
        std::string dropped;
        bool fromUs = false;
    };
    auto source = std::make_shared<Window>(Rect(50, 50, 300, 260));
    auto scroll = std::make_shared<ScrollView>(Rect(0, 0, 300, 260));
    auto table = std::make_shared<TableView>(Rect(0, 0, 300, 260));
    auto rows = std::make_shared<DraggableRows>();
    table->addTableColumn(std::make_shared<TableColumn>("name"));
    table->setDataSource(rows);
    table->setDelegate(rows);
    scroll->setDocumentView(table);
    table->reloadData();
    source->contentView()->addSubview(scroll);
    auto target = std::make_shared<Window>(Rect(500, 50, 200, 200));
    auto destination = std::make_shared<Destination>();
    target->contentView()->addSubview(destination);
    target->orderFront();
    showAndFocus(source);

    xdotool({"mousemove", "100", "110", "mousedown", "1", "sleep", "0.1", "mousemove", "130", "115", "sleep", "0.1",
             "mousemove", "300", "150", "sleep", "0.1", "mousemove", "590", "150", "sleep", "0.2", "mousemove", "600",
             "155", "sleep", "0.2", "mouseup", "1"});
    EXPECT_TRUE(runUntil([&] { return !destination->dropped.empty(); }));
    EXPECT_EQ(destination->dropped, "file:///tmp/row2.txt");
    EXPECT_TRUE(destination->fromUs) << "the kit's own drag keeps its source";
}

}  // namespace
