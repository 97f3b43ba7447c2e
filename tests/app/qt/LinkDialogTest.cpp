// The link dialog shown by the Qt backend (offscreen) as the main window's
// menu opens it, and used from the keyboard: it fills its fields once
// shown, and the field it focused still takes what the user types.

#include <memory>
#include <optional>
#include <string>

#include "app/FreltWindowEnum.h"
#include "app/InterfaceResources.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "platform/appkit/Window.h"
#include "settings/panes/ConfigViewControllerAddModifyURL.h"
#include "sources/urls/DatastorageHandlerURLObjects.h"
#include "store/DataStorage.h"
#include "ShellWindowQtTest.h"
#include "support/qt/QtTestSupport.h"
#include "support/qt/QtUserInput.h"

using namespace frelt;

namespace {

using LinkDialogTest = ShellWindowQtTest<FreltWindowEnum::addOrModifyURL>;

TEST_F(LinkDialogTest, TypingGoesIntoTheTitleFieldAsSoonAsTheDialogShows) {
    for (const std::string url : {"", "https://example.org/page"}) {
        SCOPED_TRACE(url.empty() ? "empty" : url);
        DataStorage::shared()->URLHandler()->showAddURLDialog(url, nullptr, std::nullopt);
        const auto window = platform::Application::shared()->keyWindow();
        ASSERT_TRUE(window && window->isVisible());
        const auto dialog = std::dynamic_pointer_cast<ConfigViewControllerAddModifyURL>(window->contentViewController());
        ASSERT_TRUE(dialog);
        const auto title = dialog->textFieldSiteTitle.lock();
        ASSERT_TRUE(title);
        settle();

        userinput::key(*window, Qt::Key_A, Qt::ControlModifier);
        userinput::type(*window, "Animal Finder");
        EXPECT_EQ(title->stringValue(), "Animal Finder") << "the typing went elsewhere";
        FreltWindow::closeWindow(FreltWindowEnum::addOrModifyURL);
        settle();
    }
}

}  // namespace
