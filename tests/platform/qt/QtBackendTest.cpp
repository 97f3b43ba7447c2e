// The Qt backend without a real display: its run loop, the field editor,
// drags delivered as Qt's drag events, the tray's clicks, the clipboard and
// what a hidden window keeps.

#include <QApplication>
#include <QBackingStore>
#include <QClipboard>
#include <QCursor>
#include <QDragEnterEvent>
#include <QEventLoop>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <linux/input-event-codes.h>
#include <unistd.h>

#include <thread>

#include "support/qt/QtTestSupport.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/DraggingInfo.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/Pasteboard.h"
#include "platform/appkit/StatusItem.h"
#include "platform/appkit/TableView.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/Window.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/RunLoop.h"
#include "platform/linux/XKeyCodes.h"
#include "platform/qt/QtImages.h"
#include "platform/qt/QtInput.h"
#include "platform/qt/QtRunLoopBackend.h"
#include "platform/qt/QtStatusItem.h"

using namespace platform;

namespace {

using QtBackendTest = QtKitTest;

TEST_F(QtBackendTest, TheRunLoopWakesForWorkFromOtherThreadsAndServesDescriptors) {
    auto backend = std::dynamic_pointer_cast<qt::QtRunLoopBackend>(RunLoop::main().backend());
    ASSERT_NE(backend, nullptr);

    // A block queued from a worker while the loop waits in Qt.
    bool ran = false;
    std::thread worker([&] { dispatch::Queue::main()->async([&] { ran = true; }); });
    EXPECT_TRUE(runUntil([&] { return ran; }));
    worker.join();

    // A descriptor's callback runs on the main thread while it is readable,
    // and may end its own notifier.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    int calls = 0;
    std::optional<Subscription> watch;
    watch = RunLoop::main().watchFileDescriptor(fds[0], RunLoopBackend::Readiness::readable, [&] {
        ++calls;
        EXPECT_TRUE(dispatch::isMainThread());
        char c;
        EXPECT_EQ(read(fds[0], &c, 1), 1);
        if (c == 'x') watch.reset();
    });
    std::thread writer([&] { EXPECT_EQ(write(fds[1], "ab", 2), 2); });
    EXPECT_TRUE(runUntil([&] { return calls == 2; })) << "level-triggered: both bytes are read";
    writer.join();
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    EXPECT_TRUE(runUntil([&] { return calls == 3; }));
    ASSERT_EQ(write(fds[1], "y", 1), 1);
    RunLoop::main().runMode(RunLoopMode::defaultMode, dispatch::clock::now() + std::chrono::milliseconds(50));
    EXPECT_EQ(calls, 3) << "the notifier ended itself";
    close(fds[0]);
    close(fds[1]);
}

TEST_F(QtBackendTest, InsideALoopOfQtsOwnTheMainQueueAndTimersAreStillServed) {
    auto backend = std::dynamic_pointer_cast<qt::QtRunLoopBackend>(RunLoop::main().backend());
    ASSERT_NE(backend, nullptr);
    QEventLoop foreign;
    bool blockRan = false, timerFired = false;
    auto timer = Timer::make(std::chrono::milliseconds(20), false, [&](Timer&) {
        timerFired = true;
        if (blockRan) foreign.quit();
    });
    RunLoop::main().addTimer(timer, RunLoopMode::eventTracking);
    std::thread worker([&] {
        dispatch::Queue::main()->async([&] {
            blockRan = true;
            if (timerFired) foreign.quit();
        });
    });
    // A guard in case nothing is served: the test then fails instead of hanging.
    QTimer::singleShot(10000, &foreign, [&] { foreign.quit(); });
    backend->enterForeignLoop(RunLoopMode::eventTracking);
    foreign.exec();
    backend->leaveForeignLoop();
    worker.join();
    EXPECT_TRUE(blockRan);
    EXPECT_TRUE(timerFired);
}

class FieldEditorTest : public QtKitTest {
protected:
    void SetUp() override {
        QtKitTest::SetUp();
        window = std::make_shared<Window>(Rect(50, 50, 300, 120));
        field = TextField::textField("start");
        field->setFrame(Rect(20, 20, 200, 24));
        watcher->field = field;
        field->setDelegate(watcher);
        window->contentView()->addSubview(field);
        window->makeKeyAndOrderFront();
        Application::shared()->activate();
        window->makeFirstResponder(field);
        settle();
        line = widgetOf(*window)->findChild<QLineEdit*>();
    }

    struct Watcher : ControlTextEditingDelegate {
        std::vector<std::string> changes;
        int ended = 0;
        std::shared_ptr<TextField> field;
        void controlTextDidChange(const Notification&) override { changes.push_back(field->stringValue()); }
        void controlTextDidEndEditing(const Notification&) override { ++ended; }
    };

    void key(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, qtKey, modifiers, text);
        QCoreApplication::sendEvent(line, &press);
        QKeyEvent release(QEvent::KeyRelease, qtKey, modifiers, text);
        QCoreApplication::sendEvent(line, &release);
    }

    std::shared_ptr<Window> window;
    std::shared_ptr<TextField> field;
    std::shared_ptr<Watcher> watcher = std::make_shared<Watcher>();
    QLineEdit* line = nullptr;
};

TEST_F(FieldEditorTest, AQtLineEditShowsTheFieldsTextAndKeysGoThroughTheKit) {
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->isVisible());
    EXPECT_EQ(line->text(), QStringLiteral("start"));
    EXPECT_EQ(line->selectedText(), QStringLiteral("start")) << "editing begins with the text selected";
    const QRect g = line->geometry();
    EXPECT_EQ(g, QRect(24, 23, 192, 18)) << "inside the bezel";

    // Keys reach the kit's monitors first, which may swallow them.
    std::vector<std::uint16_t> seen;
    auto monitor = Application::shared()->addLocalMonitorForEventsMatchingMask(eventmask::keyDown, [&](const EventPtr& e) -> EventPtr {
        seen.push_back(e->keyCode);
        return e->keyCode == keycode::downArrow ? nullptr : e;
    });
    key(Qt::Key_F, Qt::NoModifier, QStringLiteral("f"));
    key(Qt::Key_Down, Qt::NoModifier, {});
    key(Qt::Key_O, Qt::NoModifier, QStringLiteral("o"));
    EXPECT_EQ(seen, (std::vector<std::uint16_t>{keycode::f, keycode::downArrow, 31}));
    EXPECT_EQ(watcher->changes, (std::vector<std::string>{"f", "fo"}));
    EXPECT_EQ(line->text(), QStringLiteral("fo")) << "the line edit shows what the kit typed";

    // Keys the kit has no command for are the line edit's: Home, then a
    // selection made with Shift.
    key(Qt::Key_Home, Qt::NoModifier, {});
    key(Qt::Key_Right, Qt::ShiftModifier, {});
    EXPECT_EQ(field->currentEditor()->selectedRange(), (TextRange{0, 1}));

    // An input method's text arrives without keys, with the callbacks.
    QInputMethodEvent compose(QStringLiteral("é"), {});
    QCoreApplication::sendEvent(line, &compose);
    EXPECT_EQ(field->currentEditor()->markedText(), "\xC3\xA9") << "composing is not typing yet";
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("é"));
    QCoreApplication::sendEvent(line, &commit);
    EXPECT_EQ(watcher->changes.back(), "\xC3\xA9o");
    EXPECT_FALSE(field->currentEditor()->hasMarkedText());

    // Return ends the session in the kit.
    key(Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    EXPECT_EQ(watcher->ended, 1);
}

TEST_F(FieldEditorTest, PastingWithTheDesktopsShortcutRunsTheKitsCallbacks) {
    ASSERT_NE(line, nullptr);
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    key(Qt::Key_End, Qt::NoModifier, {});
    key(Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"));
    EXPECT_EQ(watcher->changes, (std::vector<std::string>{"startpasted"}));
    EXPECT_EQ(field->currentEditor()->selectedRange(), (TextRange{11, 0}));

    // A refusal by the kit shows the kit's text again.
    field->setEditable(false);
    field->currentEditor()->setEditable(false);
    line->setReadOnly(false);
    line->insert(QStringLiteral("!"));
    Q_EMIT line->textEdited(line->text());
    EXPECT_EQ(line->text(), QStringLiteral("startpasted"));
}

TEST_F(FieldEditorTest, TheLineEditGoesWithTheEditingSession) {
    ASSERT_NE(line, nullptr);
    window->makeFirstResponder(nullptr);
    settle();
    EXPECT_FALSE(line->isVisible());
    EXPECT_EQ(field->stringValue(), "start");
}

TEST_F(QtBackendTest, DragsFromTheDesktopReachTheKitWithTheirPasteboard) {
    struct Destination : View {
        explicit Destination(std::vector<std::string>& c) : View(Rect(0, 0, 200, 100)), calls(c) {
            registerForDraggedTypes({pasteboardtype::fileURL});
        }
        DragOperation draggingEntered(const std::shared_ptr<DraggingInfo>& info) override {
            calls.push_back("entered at " + std::to_string(int(info->draggingLocation().x)));
            return dragoperation::copy;
        }
        DragOperation draggingUpdated(const std::shared_ptr<DraggingInfo>& info) override {
            calls.push_back("updated at " + std::to_string(int(info->draggingLocation().x)));
            return dragoperation::copy;
        }
        void draggingExited(const std::shared_ptr<DraggingInfo>&) override { calls.push_back("exited"); }
        bool performDragOperation(const std::shared_ptr<DraggingInfo>& info) override {
            auto paths = info->draggingPasteboard()->propertyListForType(pasteboardtype::filenames);
            calls.push_back("perform " + (paths ? std::to_string(paths->asArray()->size()) : std::string("none")));
            return true;
        }
        std::vector<std::string>& calls;
    };
    std::vector<std::string> calls;
    auto window = std::make_shared<Window>(Rect(50, 50, 300, 200));
    window->contentView()->addSubview(std::make_shared<Destination>(calls));
    window->makeKeyAndOrderFront();
    settle();
    QWidget* widget = widgetOf(*window);
    ASSERT_NE(widget, nullptr);

    QMimeData mime;
    mime.setData(QStringLiteral("text/uri-list"), "file:///tmp/one.txt\r\nfile:///tmp/two%20words.txt\r\n");
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(QPoint(10, 10), actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    QDragMoveEvent outside(QPoint(250, 150), actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &outside);
    EXPECT_FALSE(outside.isAccepted()) << "no destination there";
    QDragMoveEvent back(QPoint(40, 20), actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &back);
    EXPECT_TRUE(back.isAccepted());
    QDropEvent drop(QPoint(40, 20), actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(calls, (std::vector<std::string>{"entered at 10", "exited", "entered at 40", "updated at 40", "perform 2"}));
}

TEST_F(QtBackendTest, TrayClicksAreAPressAndAContextReleaseOnTheButton) {
    StatusBar::systemStatusBar()->setAvailable(true);
    auto item = StatusBar::systemStatusBar()->statusItemWithLength(statusitemlength::square);
    auto button = item->button();
    ASSERT_NE(button, nullptr);
    button->sendActionOn(eventmask::leftMouseDown | eventmask::rightMouseUp);
    std::vector<EventType> seen;
    button->setActionHandler([&](const std::shared_ptr<Control>&) { seen.push_back(Application::shared()->currentEvent()->type); });
    qt::QtStatusItem tray(*item);
    tray.activated(QSystemTrayIcon::Trigger);
    tray.activated(QSystemTrayIcon::Context);
    tray.activated(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(seen, (std::vector<EventType>{EventType::leftMouseDown, EventType::rightMouseUp}));
}

TEST_F(QtBackendTest, WithoutAPlaceFromTheTrayTheButtonIsWhereThePointerIsNow) {
    StatusBar::systemStatusBar()->setAvailable(true);
    auto item = StatusBar::systemStatusBar()->statusItemWithLength(statusitemlength::square);
    ASSERT_NE(item->window(), nullptr);
    qt::QtStatusItem tray(*item);
    ASSERT_TRUE(tray.trayIcon()->geometry().isEmpty()) << "this tray tells no place";
    // The button's window is centred on the place (to the nearest point).
    auto centredOn = [&](Point p) {
        const Rect f = item->window()->frame();
        return std::abs(f.midX() - p.x) <= 1 && std::abs(f.midY() - p.y) <= 1;
    };

    QCursor::setPos(120, 80);
    tray.activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(centredOn({120, 80})) << "a click: where it was clicked";
    // Later something opens beside the button without a click (a hotkey
    // shows the popover): the pointer now, not the last click.
    QCursor::setPos(640, 400);
    tray.locate();
    EXPECT_TRUE(centredOn({640, 400}));
}

TEST_F(QtBackendTest, WhatTheProgramPutsOnTheGeneralPasteboardReachesTheClipboard) {
    auto general = Pasteboard::general();
    general->clearContents();
    general->writeObjects({pasteboardWriterForURL(URL::fileURL("/tmp/a b.txt")), pasteboardWriterForString("plain")});
    settle();
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_EQ(mime->data(QStringLiteral("text/uri-list")), QByteArray("file:///tmp/a%20b.txt\r\n"));
    EXPECT_EQ(mime->text(), QStringLiteral("plain"));
}

TEST_F(QtBackendTest, AWindowWithoutAShadowAsksTheDesktopForNone) {
    auto window = std::make_shared<Window>(Rect(100, 100, 200, 100), stylemask::titled | stylemask::closable);
    window->orderFront();
    QWidget* widget = widgetOf(*window);
    ASSERT_NE(widget, nullptr);
    EXPECT_FALSE(widget->windowFlags() & Qt::NoDropShadowWindowHint);
    window->setHasShadow(false);
    EXPECT_TRUE(widget->windowFlags() & Qt::NoDropShadowWindowHint);
    EXPECT_TRUE(widget->isVisible()) << "the new flags keep the window shown";
    window->setHasShadow(true);
    EXPECT_FALSE(widget->windowFlags() & Qt::NoDropShadowWindowHint);
}

TEST_F(QtBackendTest, AnIconOfAnImageIsDrawnWhenFirstAskedForAndOnlyOnce) {
    int draws = 0;
    auto image = Image::imageWithSize({18, 18}, false, [&draws](const Rect& r) {
        ++draws;
        setFillColor(Color::sRGB(0, 0, 1));
        rectFill(r);
        return true;
    });
    const QIcon icon = qt::iconOfImage(*image);
    EXPECT_EQ(draws, 0) << "nothing drawn before anything asks";
    EXPECT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (const int edge : {16, 22, 24, 32, 48, 64}) EXPECT_TRUE(sizes.contains(QSize(edge, edge))) << edge;
    EXPECT_EQ(draws, 0) << "the sizes are known without drawing";

    for (const int edge : {22, 16, 48}) {
        const QImage picture = icon.pixmap(QSize(edge, edge)).toImage();
        ASSERT_EQ(picture.size(), QSize(edge, edge));
        EXPECT_EQ(picture.pixelColor(edge / 2, edge / 2), QColor(0, 0, 255)) << edge;
    }
    EXPECT_EQ(draws, 6) << "each size drawn once, at the first request";
    // A copy that is changed gets a picture of its own and leaves the first alone.
    QIcon copy = icon;
    QPixmap red(16, 16);
    red.fill(Qt::red);
    copy.addPixmap(red, QIcon::Disabled);
    EXPECT_EQ(icon.pixmap(QSize(16, 16)).toImage().pixelColor(8, 8), QColor(0, 0, 255));
    EXPECT_EQ(draws, 6);

    // An image no shared pointer holds is drawn at once: it may be gone later.
    int stackDraws = 0;
    Image onStack({18, 18});
    onStack.addRepresentation(std::make_shared<CustomImageRep>(Size{18, 18}, false, [&stackDraws](const Rect& r) {
        ++stackDraws;
        setFillColor(Color::sRGB(1, 0, 0));
        rectFill(r);
        return true;
    }));
    const QIcon early = qt::iconOfImage(onStack);
    EXPECT_EQ(stackDraws, 6);
    EXPECT_EQ(early.pixmap(QSize(24, 24)).toImage().pixelColor(12, 12), QColor(255, 0, 0));
}

TEST_F(QtBackendTest, AHiddenWindowKeepsItsPictureAndShowsWhatChangedWhileHidden) {
    auto window = std::make_shared<Window>(Rect(100, 100, 120, 80));
    auto box = std::make_shared<Box>(Rect(0, 0, 120, 80));
    box->setBoxType(BoxType::custom);
    box->setBorderWidth(0);
    window->setContentView(box);
    window->orderFront();
    QWidget* widget = widgetOf(*window);
    ASSERT_NE(widget, nullptr);
    // What the window system has of the window: its backing store.
    auto onScreen = [&] { return QGuiApplication::primaryScreen()->grabWindow(widget->winId()).toImage(); };
    auto storeSize = [&] { return widget->backingStore() ? widget->backingStore()->size() : QSize(); };
    auto allOf = [](const QImage& picture, QColor color) {
        if (picture.size() != QSize(120, 80)) return false;
        for (const QPoint p : {QPoint(0, 0), QPoint(119, 0), QPoint(60, 40), QPoint(0, 79), QPoint(119, 79)})
            if (picture.pixelColor(p) != color) return false;
        return true;
    };

    // The colour changes while the window is hidden; each showing has the new one.
    const std::pair<Color, QColor> colors[] = {{Color::sRGB(1, 0, 0), QColor(255, 0, 0)},
                                               {Color::sRGB(0, 0, 1), QColor(0, 0, 255)},
                                               {Color::sRGB(0, 1, 0), QColor(0, 255, 0)}};
    int showing = 0;
    for (const auto& [color, expected] : colors) {
        ++showing;
        box->setFillColor(color);
        window->orderFront();
        ASSERT_TRUE(runUntil([&] { return storeSize() == widget->size(); })) << "showing " << showing;
        ASSERT_TRUE(runUntil([&] { return allOf(onScreen(), expected); })) << "showing " << showing << ": painted whole";

        window->orderOut();
        // Once Qt is done with the hiding, the picture is still there: the
        // next showing paints into it rather than into pages new to it.
        settle();
        runUntil([] { return false; }, std::chrono::milliseconds(50));
        EXPECT_EQ(storeSize(), widget->size()) << "showing " << showing << ": hidden, the picture was thrown away";
    }
}

}  // namespace

namespace {

// Editing in a table as a person does it on the desktop backend: mouse
// events into the window's widget, keys into the field editor.
class OneFieldRows : public TableViewDataSource, public TableViewDelegate {
public:
    long numberOfRowsInTableView(TableView&) override { return 3; }
    std::shared_ptr<View> viewForTableColumn(TableView&, const std::shared_ptr<TableColumn>&, long row) override {
        auto cell = std::make_shared<TableCellView>(Rect(0, 0, 280, 24));
        auto field = TextField::textField("row " + std::to_string(row));
        field->setFrame(Rect(4, 2, 200, 20));
        cell->addSubview(field);
        fields.push_back(field);
        return cell;
    }
    std::vector<std::shared_ptr<TextField>> fields;
};

TEST_F(QtBackendTest, AClickOnAFieldOfTheSelectedRowEditsItAndReturnCommits) {
    auto window = std::make_shared<Window>(Rect(50, 50, 300, 120));
    auto scroll = std::make_shared<ScrollView>(Rect(0, 0, 300, 120));
    window->contentView()->addSubview(scroll);
    auto table = std::make_shared<TableView>(Rect(0, 0, 300, 120));
    table->addTableColumn(std::make_shared<TableColumn>("main"));
    auto rows = std::make_shared<OneFieldRows>();
    table->setDataSource(rows);
    table->setDelegate(rows);
    scroll->setDocumentView(table);
    table->reloadData();
    window->makeKeyAndOrderFront();
    Application::shared()->activate();
    settle();
    QWidget* widget = widgetOf(*window);
    ASSERT_NE(widget, nullptr);
    // Row 1's field, in the widget's coordinates.
    const Point inWindow = table->convertPointToWindow({100, 24 + 12});
    const QPointF at(inWindow.x, inWindow.y);
    auto click = [&] {
        QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &release);
        settle();
    };
    click();
    EXPECT_EQ(table->selectedRow(), 1);
    EXPECT_EQ(widget->findChild<QLineEdit*>(), nullptr) << "the first click only selects";
    // Past the double-click time: a second, separate click.
    runUntil([] { return false; }, std::chrono::milliseconds(QApplication::doubleClickInterval() + 50));
    click();
    QLineEdit* line = widget->findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr) << "a click on the field of the selected row edits it";
    for (const auto& [key, text] : std::vector<std::pair<int, QString>>{{Qt::Key_T, "T"}, {Qt::Key_O, "o"}, {Qt::Key_Return, "\r"}}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(line, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(line, &release);
    }
    settle();
    const auto field = std::dynamic_pointer_cast<TextField>(table->viewAtColumn(0, 1, false)->subviews().front());
    EXPECT_EQ(field->stringValue(), "To");
    EXPECT_EQ(window->firstResponder(), table);
}

}  // namespace
