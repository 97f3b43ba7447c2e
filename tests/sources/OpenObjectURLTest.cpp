// Opening URL texts: templates resolved first, bad texts reported, file URLs
// opened with access held until the desktop reports back.

#include "sources/open/OpenObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SourcesTestSupport.h"
#include "platform/appkit/Alert.h"
#include "sources/access/SandboxFileAccess.h"
#include "sources/access/SecurityScopedURLManager.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

class OpenObjectURLTest : public SourcesTest {
protected:
    static std::shared_ptr<OpenObject> opener() { return OpenObject::shared(); }
    void expectURLErrorAlert(const std::string& informative) {
        script->answerAlert([informative](platform::Alert& alert) {
            EXPECT_EQ(alert.messageText(), "URL error - Is the URL correct?");
            EXPECT_EQ(alert.informativeText(), informative);
            return platform::AlertAnswer{};
        });
    }
};

TEST_F(OpenObjectURLTest, LinksAndTemplatesAreResolvedAndHandedToTheDesktop) {
    opener()->openURLString("https://example.org/a?b=c");
    opener()->openURLString("x-app://open?files=%%selectedFileObjects%%", Strings{"/tmp/a b", "/tmp/c"});
    opener()->openURLString("shortcuts://run-shortcut?name=X&input=%%selectedFileObjects%%");
    EXPECT_EQ(workspace->callDescriptions(),
              (Strings{"openURL https://example.org/a?b=c with configuration",
                       "openURL x-app://open?files=%2Ftmp%2Fa%20b%0A%2Ftmp%2Fc with configuration",
                       "openURL shortcuts://run-shortcut?name=X&input= with configuration"}));
    EXPECT_EQ(loggedAfter("Parsed URL: ").front(), "https://example.org/a?b=c");

    // A failure the desktop reports is logged without the URL.
    workspace->openError = "no application for the scheme";
    opener()->openURLString("x-none://thing");
    drain();
    EXPECT_EQ(loggedAfter("open failed: "), Strings{"no application for the scheme"});
}

TEST_F(OpenObjectURLTest, BadTextsAreReportedAndUnansweredQuestionsOpenNothing) {
    opener()->openURLString("");
    expectURLErrorAlert("no scheme here");
    opener()->openURLString("no scheme here");
    // The user cancels the question: nothing opens, nothing more is shown.
    script->answerDialog(platform::modalresponse::cancel);
    opener()->openURLString("x-app://find?q=%%userInput:Term%%");
    for (const auto& call : workspace->calls())
        EXPECT_EQ(call.kind, platform::WorkspaceCall::Kind::URLForApplicationToOpenURL) << "only the dialog's icon";
    EXPECT_EQ(script->presented().front(), "alert: URL error - Is the URL correct?");
    EXPECT_EQ(script->presented().size(), 2u);
}

TEST_F(OpenObjectURLTest, AFileURLOpensWithItsGrantInUseUntilTheDesktopAnswers) {
    makeFile("outside/doc.txt");
    makeFile("outside/dropped.txt");
    restrictAccessTo({"allowed"});
    const auto folder = folderURL("outside");
    SandboxFileAccess::shared()->persistanceBookmarkStorage()->setBookmark(*platform::bookmark::create(folder), folder);
    const auto manager = SecurityScopedURLManager::shared();

    opener()->openURLString(fileURL("outside/doc.txt").string());
    opener()->openFileURL(fileURL("outside/doc.txt"),
                          Strings{(root() / "outside/dropped.txt").string(), (root() / "gone.txt").string()});
    EXPECT_EQ(manager->usedSecurityScopedURLs()->count(), 2u) << "held while the desktop opens";
    EXPECT_EQ(platform::bookmark::accessCount(folder), 2u);
    drain();
    EXPECT_TRUE(manager->usedSecurityScopedURLs()->isEmpty());
    EXPECT_EQ(platform::bookmark::accessCount(folder), 0u);
    EXPECT_EQ(workspace->callDescriptions(),
              (Strings{"openURL " + fileURL("outside/doc.txt").string() + " with configuration",
                       "openURLs [" + fileURL("outside/dropped.txt").string() + "] with " +
                           fileURL("outside/doc.txt").string()}));
    EXPECT_EQ(loggedAfter("open successful: ").size(), 2u);

    // Unreachable, or closed with the user declining: nothing opens.
    opener()->openFileURL(fileURL("outside/missing.txt"));
    makeFile("closed/doc.txt");
    script->cancelOpenPanel();
    opener()->openFileURL(fileURL("closed/doc.txt"));
    EXPECT_EQ(loggedAfter("open failed: "),
              (Strings{"[" + fileURL("outside/missing.txt").string() + "] - Unreachable",
                       "[" + fileURL("closed/doc.txt").string() + "] - Access not possible"}));
    EXPECT_EQ(workspace->calls().size(), 2u);
}

}  // namespace
