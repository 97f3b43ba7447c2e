#include "TableViewItemTestSupport.h"
#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "support/MainWindowSupport.h"
#include "platform/appkit/ModalScript.h"
#include "platform/foundation/SingleInstance.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

// Records "executeTableviewItem" with what the workspace had been asked by then.
class ExecuteRecorder {
public:
    explicit ExecuteRecorder(std::shared_ptr<platform::RecordingWorkspace> workspace) : workspace_(std::move(workspace)) {
        observation_ = platform::NotificationCenter::defaultCenter().observe(
            Notifications::executeTableviewItem, nullptr, [this](const platform::Notification& n) {
                ++posts;
                objectWasEmpty = !n.object.has_value();
                workspaceCallsAtPost = workspace_->calls().size();
            });
    }
    int posts = 0;
    bool objectWasEmpty = false;
    std::size_t workspaceCallsAtPost = 0;

private:
    std::shared_ptr<platform::RecordingWorkspace> workspace_;
    platform::Subscription observation_;
};

}  // namespace

TEST_F(EntryTest, WebLinkPostsBeforeTheOpeningIsQueued) {
    auto link = TableViewItem::initForURL("https://example.org/a", "Example", "");
    ExecuteRecorder executed(workspace);
    ChangeRecorder changes;
    link->executeWithArguments();
    EXPECT_EQ(executed.posts, 1);
    EXPECT_TRUE(executed.objectWasEmpty);
    EXPECT_TRUE(logs().contains("execute URL: https://example.org/a"));
    EXPECT_TRUE(workspace->calls().empty());  // the opening waits for the main queue
    drain();
    EXPECT_EQ(executed.workspaceCallsAtPost, 0u);
    ASSERT_EQ(workspace->calls().size(), 1u);
    EXPECT_EQ(workspace->calls()[0].kind, platform::WorkspaceCall::Kind::openURLWithConfiguration);
    EXPECT_EQ(workspace->calls()[0].urls.at(0).string(), "https://example.org/a");
    EXPECT_TRUE(changes.posts.empty());  // executing writes no field
}

TEST_F(EntryTest, FileEntryOpensThePathCurrentWhenTheQueuedBlockRuns) {
    const auto first = makeFile("first.txt");
    const auto second = makeFile("second.txt");
    auto file = TableViewItem::initForExternalNonSpotlightObject(first);
    ExecuteRecorder executed(workspace);
    file->executeWithArguments();
    EXPECT_TRUE(logs().contains("execute: " + first));
    file->setPath(second);
    drain();
    EXPECT_EQ(executed.posts, 1);
    // The default application is asked for first; without one, the file opens itself.
    ASSERT_EQ(workspace->calls().size(), 2u);
    EXPECT_EQ(workspace->calls()[1].urls.at(0), platform::URL::fileURL(second));
    EXPECT_TRUE(logs().contains("open successful: [" + platform::URL::fileURL(second).absoluteString() + "]"));
}

TEST_F(EntryTest, ApplicationEntryHandsTheArgumentsToTheApplication) {
    const auto app = makeApplication("apps/viewer.desktop", "Viewer");
    const auto doc = makeFile("doc.txt");
    auto entry = TableViewItem::initForExternalNonSpotlightObject(app);
    entry->executeWithArguments(Strings{"file://" + doc});
    drain();
    ASSERT_EQ(workspace->calls().size(), 1u);
    const auto call = workspace->calls()[0];
    EXPECT_EQ(call.kind, platform::WorkspaceCall::Kind::openURLsWithApplication);
    EXPECT_EQ(call.applicationURL, platform::URL::fileURL(app));
    ASSERT_EQ(call.urls.size(), 1u);
    EXPECT_EQ(call.urls[0], platform::URL::fileURL(doc));
}

TEST_F(EntryTest, LinksWithoutASchemeOrPathAreTreatedAsFilePaths) {
    for (const std::string path : {"example.org", ""}) {
        SCOPED_TRACE(path);
        logs().clear();
        auto link = TableViewItem::initForURL(path, "Host", "");
        ExecuteRecorder executed(workspace);
        link->executeWithArguments();
        drain();
        EXPECT_EQ(executed.posts, 1);
        EXPECT_TRUE(logs().contains("execute: " + path));
        EXPECT_TRUE(workspace->calls().empty());
    }
}

TEST_F(EntryTest, ShortcutInputComesFromTheArgumentsUnlessTheURLNamesIt) {
    struct Case {
        std::string url;
        TableViewItem::Arguments arguments;
        std::string opened;
    };
    const std::string plain = "shortcuts://run-shortcut?name=Resize";
    const std::string withInput = "shortcuts://run-shortcut?name=Resize&INPUT=clipboard";
    const std::vector<Case> cases{
        {plain, Strings{"file:///a", "file:///b"}, plain + "&input=%%selectedFileObjects%%"},
        {plain, std::nullopt, plain},
        {plain, Strings{}, plain},
        {withInput, Strings{"file:///a"}, withInput},
        {withInput, std::nullopt, withInput},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.opened);
        logs().clear();
        workspace->clearCalls();
        auto shortcut = TableViewItem::initForShortcutsURL(c.url, "Resize", "");
        ExecuteRecorder executed(workspace);
        shortcut->executeWithArguments(c.arguments);
        EXPECT_EQ(executed.posts, 1);
        EXPECT_TRUE(logs().contains("execute Shortcut-URL: " + c.url));
        drain();
        EXPECT_TRUE(logs().contains("Open URL: " + c.opened));
        // The opener fills the placeholder with the handed-in files.
        ASSERT_EQ(workspace->calls().size(), 1u);
        const std::string sent = workspace->calls()[0].urls.at(0).string();
        if (c.opened.find("%%") == std::string::npos) {
            EXPECT_EQ(sent, c.opened);
        } else {
            EXPECT_EQ(sent.find("%%"), std::string::npos);
            EXPECT_NE(sent.find("&input=file"), std::string::npos) << sent;
        }
    }
}

TEST_F(EntryTest, ShortcutOfAnotherSchemeDoesNothing) {
    auto shortcut = TableViewItem::initForShortcutsURL("https://example.org", "Web", "");
    ExecuteRecorder executed(workspace);
    shortcut->executeWithArguments(Strings{"x"});
    drain();
    EXPECT_EQ(executed.posts, 0);
    EXPECT_TRUE(workspace->calls().empty());
    EXPECT_FALSE(logs().contains("execute URL: https://example.org"));
}

TEST_F(EntryTest, TagEntrySelectsItsTagOrLaunchesAll) {
    struct Case {
        const char* what;
        bool setting;
        bool optionHeld;
        MainWindowState windowState;
        bool expectSelected;
        bool expectLaunchAll;
    };
    const std::vector<Case> cases{
        {"plain click in the shown window", false, false, MainWindowState::window, true, false},
        {"attached popover", false, false, MainWindowState::popover, true, false},
        {"window not shown", false, false, MainWindowState::notVisible, false, false},
        {"option held", false, true, MainWindowState::window, false, true},
        {"setting on", true, false, MainWindowState::window, false, true},
        {"setting on, option held", true, true, MainWindowState::window, true, false},
        {"launch all while hidden", true, false, MainWindowState::notVisible, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        logs().clear();
        const auto config = AppDelegate::shared()->config;
        config->setDebugLogging(true);
        config->selectingTagsInMainWindowLaunchAll = c.setting;
        auto manager = FreltManager::shared();
        mainwindowsupport::present(c.windowState);
        auto viewController = manager->viewControllerMain();
        viewController->setModifierFlagsContainOptionKey(c.optionHeld);
        viewController->loadViewIfNeeded();  // the outlets come with the view
        auto outline = viewController->sectionView.lock();
        ASSERT_TRUE(outline);
        outline->setTagRows({"Other", "Work|Mail"});

        auto tag = TableViewItem::initForTag("Work|Mail", "Tag [Work|Mail]");
        ExecuteRecorder executed(workspace);
        tag->executeWithArguments();
        drain();
        EXPECT_EQ(executed.posts, 0);
        EXPECT_TRUE(workspace->calls().empty());
        EXPECT_EQ(outline->selectedTagName() == std::optional<std::string>("Work|Mail"), c.expectSelected);
        EXPECT_EQ(viewController->shownTagName() == std::optional<std::string>("Work|Mail"), c.expectSelected);
        EXPECT_EQ(logs().contains("launchAllEntriesOfTag: Work|Mail"), c.expectLaunchAll);
        platform::singleinstance::resetAll();
        platform::Workspace::setShared(workspace);
    }
}

TEST_F(EntryTest, ExecutingLeavesTheReachabilityCacheAlone) {
    auto file = TableViewItem::initForExternalNonSpotlightObject(makeFile("c.txt"));
    const auto checked = file->lastReachableCheckDateTime();
    advance(1);
    file->executeWithArguments();
    drain();
    EXPECT_EQ(file->lastReachableCheckDateTime(), checked);
    EXPECT_FALSE(file->lastUsedDate());
}

TEST_F(EntryTest, ShowInFinderAsksTheWorkspaceOnlyForReachableEntries) {
    const auto path = makeFile("shown.txt");
    auto file = TableViewItem::initForExternalNonSpotlightObject(path);
    EXPECT_TRUE(file->showInFinder());
    ASSERT_EQ(workspace->callDescriptions().size(), 1u);
    EXPECT_EQ(workspace->calls()[0].file, path);
    EXPECT_EQ(workspace->calls()[0].rootPath, "");

    // Deleted after its look-ups: the cached answer still says reachable.
    EXPECT_TRUE(file->isReachable());
    std::filesystem::remove(path);
    advance(2);
    EXPECT_TRUE(file->showInFinder());

    auto missing = TableViewItem::initForExternalNonSpotlightObject((root() / "missing").string());
    workspace->clearCalls();
    EXPECT_FALSE(missing->showInFinder());
    EXPECT_TRUE(workspace->calls().empty());
}
