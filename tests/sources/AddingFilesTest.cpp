// Adding files and folders by hand: one entry per path (case ignored), the
// tag it is added under, the access test, a busy store, and the open panel as
// a sheet (keeping a grant) or run modally.

#include "sources/discovery/DatastorageHandlerFilesystemObjects.h"

#include <gtest/gtest.h>

#include "SourcesTestSupport.h"
#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "support/MainWindowSupport.h"
#include "platform/appkit/OpenPanel.h"
#include "platform/appkit/ViewController.h"
#include "platform/appkit/Window.h"
#include "sources/access/SandboxFileAccess.h"
#include "store/DataStorage.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

class AddingFilesTest : public SourcesTest {
protected:
    void SetUp() override {
        SourcesTest::SetUp();
        AppDelegate::shared()->config->setDebugLogging(true);
    }
    static std::shared_ptr<DatastorageHandlerFilesystemObjects> handler() {
        return DataStorage::shared()->filesystemHandler();
    }
    static std::size_t entries() { return DataStorage::shared()->allData()->count(); }
};

TEST_F(AddingFilesTest, OneEntryPerPathWithTheTagItIsAddedUnder) {
    const auto mail = makeFile("Apps/Mail.desktop", "[Desktop Entry]\nType=Application\nName=Mail\nExec=mail\n");
    EXPECT_EQ(handler()->addFilesystemObjectToDatabase(mail, std::string("")), DataStorage::addResultAdded);
    EXPECT_TRUE(DataStorage::shared()->entryWithPath(mail)->tags().empty()) << "an empty tag is no tag";
    std::string lower = mail;
    for (auto& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    EXPECT_EQ(handler()->addFilesystemObjectToDatabase(lower, std::string("Mail")), DataStorage::addResultDuplicate);
    EXPECT_EQ(entries(), 1u);
    EXPECT_EQ(DataStorage::shared()->entryWithPath(mail)->tags(), Strings{"Mail"});

    const auto doc = makeFile("doc.txt");
    EXPECT_EQ(handler()->addFilesystemObjectToDatabase(doc, std::string("Work")), DataStorage::addResultAdded);
    EXPECT_EQ(DataStorage::shared()->entryWithPath(doc)->tags(), Strings{"Work"});
    EXPECT_EQ(loggedAfter("Access-Test for ").back(), platform::URL::fileURL(doc).absoluteString() + " -> Access possible");
}

TEST_F(AddingFilesTest, ABusyStoreOrADeclinedAccessAddsNothing) {
    const auto doc = makeFile("closed/doc.txt");
    DataStorage::shared()->setState(DatastorageState::rebuildData);
    EXPECT_EQ(handler()->addFilesystemObjectToDatabase(doc), DataStorage::addResultNotIdle);
    EXPECT_TRUE(logs().contains(
        "! addFilesystemObjectToDatabase - Want to add entry to Database, but Database was not idle! Entry: " + doc));
    DataStorage::shared()->setState(DatastorageState::idle);

    restrictAccessTo({"elsewhere"});
    script->cancelOpenPanel();  // the permission panel, in the middle of adding
    EXPECT_EQ(handler()->addFilesystemObjectToDatabase(doc), DataStorage::addResultInvalid);
    EXPECT_EQ(loggedAfter("Access-Test for ").back(), platform::URL::fileURL(doc).absoluteString() + " -> Access denied");
    EXPECT_EQ(entries(), 0u);
}

TEST_F(AddingFilesTest, TheModalPanelClosesTheMainWindowAndKeepsNoGrant) {
    const auto folder = makeFolder("projects");
    mainwindowsupport::present(MainWindowState::window);
    PostCounter posted(Notifications::datastorageFilesystemObjectAddedOrModified);
    script->answerOpenPanel([&](platform::OpenPanel& panel) {
        EXPECT_FALSE(mainWindowIsVisible(FreltManager::shared()->mainWindowState())) << "closed first";
        EXPECT_EQ(panel.message(), "Select a file or folder to add it to the list");
        EXPECT_TRUE(panel.canChooseDirectories());
        EXPECT_FALSE(panel.allowsMultipleSelection());
        return platform::PanelAnswer{platform::modalresponse::ok, {platform::URL::fileURL(folder, true)}};
    });
    handler()->addFilesystemObjectsWithOpenPanel(nullptr, std::string("Code"));
    EXPECT_TRUE(DataStorage::shared()->entryWithPath(folder));
    EXPECT_EQ(posted.count, 1);
    EXPECT_FALSE(SandboxFileAccess::shared()->persistanceBookmarkStorage()->bookmarkData(platform::URL::fileURL(folder, true)));

    script->cancelOpenPanel();
    handler()->addFilesystemObjectsWithOpenPanel(nullptr, std::nullopt);
    EXPECT_EQ(posted.count, 1) << "a cancelled panel adds, rebuilds and posts nothing";
}

TEST_F(AddingFilesTest, TheSheetKeepsAGrantUnlessOneCoversTheChoice) {
    auto controller = std::make_shared<platform::ViewController>();
    auto window = std::make_shared<platform::Window>(platform::Rect(0, 0, 400, 300));
    window->setContentViewController(controller);
    const auto storage = SandboxFileAccess::shared()->persistanceBookmarkStorage();
    const auto first = platform::URL::fileURL(makeFolder("a"), true);
    script->chooseInOpenPanel({first});
    handler()->addFilesystemObjectsWithOpenPanel(controller, std::nullopt);
    drain();
    EXPECT_TRUE(storage->bookmarkData(first));
    EXPECT_TRUE(DataStorage::shared()->entryWithPath(first.path()));

    // A folder inside a granted one is covered already.
    const auto inner = platform::URL::fileURL(makeFolder("a/inner"), true);
    std::size_t grants = 0;
    storage->forEachBookmark([&](const platform::URL&, const platform::Data&) { ++grants; });
    script->chooseInOpenPanel({inner});
    handler()->addFilesystemObjectsWithOpenPanel(controller, std::nullopt);
    drain();
    std::size_t after = 0;
    storage->forEachBookmark([&](const platform::URL&, const platform::Data&) { ++after; });
    EXPECT_EQ(after, grants);
    EXPECT_TRUE(DataStorage::shared()->entryWithPath(inner.path()));
}

}  // namespace
