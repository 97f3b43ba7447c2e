// The settings window shown by the Qt backend (offscreen) and used with
// real input: after Tab moves the editing from one field of a row to the
// next, what the window system shows (painted only where the kit marked the
// window dirty) is the window as a whole repaint draws it: the field left
// behind keeps no focus ring and no editor's picture.

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include <memory>

#include "app/FreltWindowEnum.h"
#include "app/InterfaceResources.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "platform/appkit/Window.h"
#include "sources/urls/URLManager.h"
#include "ShellWindowQtTest.h"
#include "support/qt/QtTestSupport.h"
#include "support/qt/QtUserInput.h"

using namespace frelt;

namespace {

using SettingsRepaintTest = ShellWindowQtTest<FreltWindowEnum::settings>;

TEST_F(SettingsRepaintTest, TabFromATemplatesTitleToItsURLLeavesNoFocusRingBehind) {
    URLManager::shared()->buildDefaultTemplates();
    const auto templates = URLManager::shared()->urlTemplates.size();
    const auto window = FreltWindow::showWindow(false, FreltWindowEnum::settings);
    ASSERT_TRUE(window && window->isVisible());
    QWidget* widget = widgetOf(*window);
    ASSERT_NE(widget, nullptr);
    // The URL Templates tab, the fourth of six across the tab bar; its "+"
    // below the list; the new row's title field.
    userinput::click(*window, {16 + 768 * 3 / 6 + 64, 20});
    settle();
    userinput::click(*window, {36, 608});
    ASSERT_TRUE(runUntil([&] { return URLManager::shared()->urlTemplates.size() == templates + 1; }));
    const double rowY = 60 + 28 * double(templates) + 13;
    userinput::click(*window, {90, rowY});
    settle();
    userinput::click(*window, {90, rowY});
    settle();
    userinput::type(*window, "Find");
    settle();
    ASSERT_TRUE(runUntil([&] { return onScreen(widget) == repaintedWhole(widget); }));

    userinput::key(*window, Qt::Key_Tab);
    settle();
    EXPECT_TRUE(matchesImage(onScreen(widget), repaintedWhole(widget), "settings-template-tab", PictureTolerance{8, 0.0}))
        << "the window shows what it no longer draws";
}

}  // namespace
