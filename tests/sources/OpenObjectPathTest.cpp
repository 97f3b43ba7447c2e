// Opening by path: documents with their default application or alone,
// applications with dropped files, folders in the chosen browser or a new
// file-manager window, links by their own kind, and access for both sides.

#include "sources/open/OpenObject.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "SourcesTestSupport.h"
#include "app/AppDelegate.h"
#include "platform/appkit/Alert.h"
#include "sources/access/SandboxFileAccess.h"
#include "sources/access/SecurityScopedURLManager.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

class OpenObjectPathTest : public SourcesTest {
protected:
    static std::shared_ptr<OpenObject> opener() { return OpenObject::shared(); }
    std::string url(const std::string& path) { return platform::URL::fileURL(path).string(); }
};

TEST_F(OpenObjectPathTest, DocumentsOpenWithTheirDefaultApplicationOrAlone) {
    const auto viewer = makeApplication("apps/viewer.desktop", "Viewer");
    const auto doc = makeFile("doc.txt");
    const auto self = makeFile("self.run");
    const auto plain = makeFile("plain.dat");
    workspace->defaultApplicationsByExtension["txt"] = platform::URL::fileURL(viewer);
    workspace->defaultApplicationsByExtension["run"] = platform::URL::fileURL(self);  // its own handler

    opener()->openPath(doc, Strings{plain});  // a document drops the objects
    opener()->openPath(self);
    opener()->openPath(plain);
    opener()->openPath(viewer, Strings{doc, (root() / "gone.txt").string()});
    opener()->openPath(viewer, Strings{(root() / "gone.txt").string()});
    opener()->openPath((root() / "missing").string());
    opener()->openPath("");
    drain();
    EXPECT_EQ(workspace->callDescriptions(),
              (Strings{"URLForApplicationToOpenURL " + url(doc), "openURLs [" + url(doc) + "] with " + url(viewer),
                       "URLForApplicationToOpenURL " + url(self), "openURL " + url(self) + " with configuration",
                       "URLForApplicationToOpenURL " + url(plain), "openURL " + url(plain) + " with configuration",
                       "openURLs [" + url(doc) + "] with " + url(viewer), "openURLs [] with " + url(viewer)}));
    EXPECT_EQ(loggedAfter("open successful: ").front(), "[" + url(doc) + "] with [" + url(viewer) + "]");
    for (const auto& call : workspace->calls())
        if (call.configuration) EXPECT_EQ(*call.configuration, OpenObject::openConfiguration());
}

// Files handed over for an application that cannot be started with them (a
// command line too long for so many): the user is told, not only the log.
TEST_F(OpenObjectPathTest, AnApplicationThatCannotTakeTheHandedOverFilesIsSaid) {
    const auto viewer = makeApplication("apps/viewer.desktop", "Viewer");
    const auto a = makeFile("a.txt");
    const auto b = makeFile("b.txt");
    workspace->openError = "Failed to execute child process \u201cviewer\u201d (Argument list too long)";
    script->answerAlert([&](platform::Alert& alert) {
        EXPECT_EQ(alert.messageText(), "The files could not be handed to the application");
        EXPECT_EQ(alert.informativeText(), viewer + ": " + *workspace->openError + " (2 files)");
        return platform::AlertAnswer{};
    });
    opener()->openPath(viewer, Strings{a, b});
    drain();
    EXPECT_EQ(script->presented(), Strings{"alert: The files could not be handed to the application"});
    EXPECT_EQ(loggedAfter("open failed: ").size(), 1u);
}

TEST_F(OpenObjectPathTest, FoldersOpenInTheChosenBrowserOrANewFileManagerWindow) {
    const auto folder = makeFolder("docs");
    const auto browser = makeApplication("apps/browser.desktop", "Browser");
    const auto config = AppDelegate::shared()->config;
    config->alternateFolderBrowser = browser;
    opener()->openPath(folder);
    config->alternateFolderBrowser = (root() / "no-such-browser").string();
    opener()->openPath(folder);
    // A link to the folder is a folder; it opens at its target.
    std::filesystem::create_directory_symlink(folder, root() / "link");
    opener()->openPath((root() / "link").string());
    drain();
    EXPECT_EQ(workspace->callDescriptions(),
              (Strings{"openURLs [" + url(folder) + "] with " + url(browser), "selectFile  in " + folder,
                       "selectFile  in " + folder}));
}

TEST_F(OpenObjectPathTest, AFailedAccessToEitherSideBeginsNoAccessForTheOther) {
    const auto doc = makeFile("granted/doc.txt");
    const auto app = makeApplication("closed/editor.desktop", "Editor");
    restrictAccessTo({"granted"});
    script->cancelOpenPanel();  // the permission panel for the application
    opener()->openFilesWithApplication(platform::URL::fileURL(doc), platform::URL::fileURL(app));
    drain();
    EXPECT_TRUE(workspace->calls().empty());
    EXPECT_EQ(loggedAfter("open failed: "), Strings{"[" + url(app) + "] - Access not possible"});
    EXPECT_TRUE(SecurityScopedURLManager::shared()->usedSecurityScopedURLs()->isEmpty());

    opener()->openFilesWithApplication(platform::URL::fileURL((root() / "gone.txt").string()),
                                       platform::URL::fileURL(app));
    EXPECT_EQ(loggedAfter("open failed: ").back(), "[" + url((root() / "gone.txt").string()) + "] - Unreachable");
}

TEST_F(OpenObjectPathTest, AnApplicationThatCannotStartIsReportedNeverOpenedAsAFile) {
    const auto app = makeApplication("apps/gone.desktop", "Gone");
    const auto folder = makeFolder("docs");
    const auto browser = makeApplication("apps/browser.desktop", "Browser");
    AppDelegate::shared()->config->alternateFolderBrowser = browser;
    const std::string reason = "\u201cGone\u201d cannot be started: its program \u201cgone\u201d is not installed";
    workspace->openError = reason;
    Strings alerts;
    for (int i = 0; i < 3; ++i)
        script->answerAlert([&](platform::Alert& alert) {
            alerts.push_back(alert.messageText() + " / " + alert.informativeText());
            return platform::AlertAnswer{};
        });
    opener()->openPath(app);
    opener()->openPath(app, Strings{folder});
    opener()->openPath(folder);  // in the browser, which fails too
    drain();
    const std::string shown = "The application could not be started / " + reason;
    // Files handed over: one alert, the files' own.
    const std::string withFiles = "The files could not be handed to the application / " + app + ": " + reason + " (1 file)";
    EXPECT_EQ(alerts, (Strings{shown, withFiles, shown}));
    EXPECT_EQ(workspace->callDescriptions(),
              (Strings{"openURL " + url(app) + " with configuration", "openURLs [" + url(folder) + "] with " + url(app),
                       "openURLs [" + url(folder) + "] with " + url(browser)}));
    EXPECT_TRUE(loggedAfter("open successful: ").empty());
}

}  // namespace
