// The configuration window shown by the Qt backend (offscreen) and changed
// by a click: what the window system shows afterwards (the backing store,
// painted only where the kit marked the window dirty) is the window as a
// whole repaint draws it. A view moved or resized by the click that nobody
// marked would leave its old picture behind.

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include <memory>
#include <string>

#include "app/FreltWindowEnum.h"
#include "app/InterfaceResources.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "platform/appkit/Window.h"
#include "settings/config/ConfigViewControllerContent.h"
#include "settings/config/ConfigViewControllerSidebar.h"
#include "settings/config/ConfigWindowController.h"
#include "store/DataStorage.h"
#include "support/MainWindowSupport.h"
#include "ShellWindowQtTest.h"
#include "support/qt/QtTestSupport.h"
#include "support/qt/QtUserInput.h"

using namespace frelt;

namespace {

using ConfigWindowRepaintTest = ShellWindowQtTest<FreltWindowEnum::config>;

// A button in the toolbar with `title`.
std::shared_ptr<platform::Button> toolbarButton(platform::View& root, const std::string& title) {
    std::shared_ptr<platform::Button> found;
    root.forEachInTree([&](platform::View& view) {
        auto* button = dynamic_cast<platform::Button*>(&view);
        if (!found && button && button->title() == title)
            found = std::static_pointer_cast<platform::Button>(button->shared_from_this());
    });
    return found;
}

TEST_F(ConfigWindowRepaintTest, HidingAndShowingTheSidePaneRepaintsTheRowsThatChangedWidth) {
    const auto store = DataStorage::shared();
    for (int i = 0; i < 6; ++i)
        store->addToAllData(mainwindowsupport::link("Entry " + std::to_string(i), i % 2 ? "A comment" : ""));
    store->rebuildData(RebuildDataReason::datastorageInitialize);

    const auto window = FreltWindow::showWindow(false, FreltWindowEnum::config);
    ASSERT_TRUE(window && window->isVisible());
    QWidget* widget = widgetOf(*window);
    ASSERT_NE(widget, nullptr);
    const auto controller =
        std::dynamic_pointer_cast<ConfigWindowController>(FreltWindow::registeredWindowController(FreltWindowEnum::config));
    ASSERT_TRUE(controller);
    const auto split = std::dynamic_pointer_cast<ConfigSplitViewController>(controller->contentViewController());
    ASSERT_TRUE(split && split->contentController());
    const auto table = split->contentController()->dataTableView.lock();
    ASSERT_TRUE(table);
    std::shared_ptr<platform::ViewController> inspector;
    for (const auto& item : split->splitViewItems())
        if (std::dynamic_pointer_cast<ConfigViewControllerSidebar>(item->viewController())) inspector = item->viewController();
    ASSERT_TRUE(inspector);
    const auto pane = toolbarButton(*window->contentView(), "Pane");
    ASSERT_TRUE(pane);
    ASSERT_TRUE(runUntil([&] { return table->numberOfRows() == 6; }));
    ASSERT_TRUE(runUntil([&] { return onScreen(widget) == repaintedWhole(widget); }))
        << "the window never showed what it draws";
    const double tableWidth = table->frame().width();

    for (const bool hidden : {true, false}) {
        SCOPED_TRACE(hidden ? "side pane hidden" : "side pane shown again");
        userinput::click(*pane);
        ASSERT_TRUE(runUntil([&] { return inspector->view()->isHiddenOrHasHiddenAncestor() == hidden ||
                                          !inspector->view()->window(); }));
        settle();
        EXPECT_EQ(table->frame().width() > tableWidth, hidden) << "the table did not take the pane's width";
        const QImage shown = onScreen(widget), whole = repaintedWhole(widget);
        EXPECT_TRUE(matchesImage(shown, whole, hidden ? "config-pane-hidden" : "config-pane-shown",
                                 PictureTolerance{8, 0.0}))
            << "what the window shows after the click is not the window repainted whole";
    }
}

}  // namespace
