// Windows opened by a click in a window of a higher level, shown by the Qt
// backend (offscreen): the new window comes up in front of the one clicked
// in, where the user sees what now has the keyboard.

#include <QWidget>

#include <memory>

#include "platform/appkit/Button.h"
#include "platform/appkit/Window.h"
#include "support/qt/QtTestSupport.h"
#include "support/qt/QtUserInput.h"

using namespace platform;

namespace {

class WindowOrderTest : public QtKitTest {};

TEST_F(WindowOrderTest, AWindowOpenedByAClickInTheFloatingLauncherStaysInFrontOfIt) {
    // The launcher's main window stands above other windows, as the
    // program's does.
    auto launcher = std::make_shared<Window>(Rect(100, 100, 300, 200), stylemask::titled);
    launcher->setLevel(windowlevel::modalPanel);
    auto button = Button::withTitle("Add URL");
    button->setFrame(Rect(20, 20, 120, 30));
    launcher->contentView()->addSubview(button);
    auto dialog = std::make_shared<Window>(Rect(150, 150, 300, 120), stylemask::titled | stylemask::closable);
    button->setActionHandler([&](const std::shared_ptr<Control>&) { dialog->makeKeyAndOrderFront(nullptr); });
    launcher->makeKeyAndOrderFront(nullptr);
    ASSERT_TRUE(runUntil([&] { return widgetOf(*launcher) && widgetOf(*launcher)->isVisible(); }));

    userinput::click(*button);
    ASSERT_TRUE(runUntil([&] { return dialog->isVisible() && widgetOf(*dialog) && widgetOf(*dialog)->isVisible(); }));
    EXPECT_TRUE(dialog->isKeyWindow());
    QWidget* shown = widgetOf(*dialog);
    EXPECT_TRUE(shown->windowFlags() & Qt::WindowStaysOnTopHint)
        << "the dialog sits beneath the launcher, which stays on top";
    EXPECT_TRUE(widgetOf(*launcher)->windowFlags() & Qt::WindowStaysOnTopHint);

    dialog->close();
    settle();
    EXPECT_FALSE(widgetOf(*dialog) && widgetOf(*dialog)->isVisible()) << "closed, the dialog came back";
    EXPECT_EQ(dialog->level(), windowlevel::normal);
}

}  // namespace
