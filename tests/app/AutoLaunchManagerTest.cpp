#include "app/AutoLaunchManager.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "ShellTestSupport.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/ReadFile.h"

using namespace frelt;
namespace fs = std::filesystem;

namespace {

class AutoLaunchManagerTest : public ShellTest {
protected:
    static fs::path entryFile() { return platform::LoginItem::autostartFile("org.frelt.Frelt"); }
};

TEST_F(AutoLaunchManagerTest, TheAutostartEntryTurnsOnAndOff) {
    const auto login = AutoLaunchManager::shared();
    EXPECT_FALSE(login->enabled());
    login->setEnabled(true);
    EXPECT_TRUE(login->enabled());
    ASSERT_TRUE(fs::exists(entryFile()));
    EXPECT_EQ(entryFile().parent_path(), platform::Paths::configHome() / "autostart");
    const auto text = platform::readWholeFile(entryFile());
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("[Desktop Entry]\nType=Application\nName=Frelt\n"), std::string::npos);
    EXPECT_NE(text->find("\nExec=" + platform::LoginItem::quotedExecArgument(platform::LoginItem::currentExecutablePath()) + "\n"),
              std::string::npos);
    // Writing the same state again writes again.
    fs::remove(entryFile());
    login->setEnabled(true);
    EXPECT_TRUE(fs::exists(entryFile()));

    login->setEnabled(false);
    EXPECT_FALSE(fs::exists(entryFile()));
    EXPECT_FALSE(login->enabled());
    login->setEnabled(false);  // nothing to remove: no failure
    EXPECT_FALSE(logs().contains("SMLoginItemSetEnabled failed!"));
}

TEST_F(AutoLaunchManagerTest, AHiddenEntryCountsAsOff) {
    fs::create_directories(entryFile().parent_path());
    for (const auto& [text, enabled] : std::vector<std::pair<std::string, bool>>{
             {"[Desktop Entry]\nType=Application\nExec=frelt\nHidden=true\n", false},
             {"[Desktop Entry]\nHidden = true\n", false},
             {"[Desktop Entry]\nType=Application\nExec=frelt\nHidden=false\n", true},
             {"[Desktop Entry]\nExec=frelt\n[Desktop Action x]\nHidden=true\n", true},
             {"", true},
         }) {
        std::ofstream(entryFile()) << text;
        EXPECT_EQ(AutoLaunchManager::shared()->isLoginItemEnabled(), enabled) << text;
    }
}

TEST_F(AutoLaunchManagerTest, AFailedWriteIsOnlyLogged) {
    fs::create_directories(platform::Paths::configHome());
    // A file where the autostart folder should be.
    std::ofstream(platform::LoginItem::autostartFolder()) << "x";
    AutoLaunchManager::shared()->setLoginItemEnabled(true);
    EXPECT_TRUE(logs().contains("SMLoginItemSetEnabled failed!"));
    EXPECT_FALSE(AutoLaunchManager::shared()->isLoginItemEnabled());
}

TEST_F(AutoLaunchManagerTest, ExecArgumentsAreQuotedWhereTheyMustBe) {
    using platform::LoginItem;
    EXPECT_EQ(LoginItem::quotedExecArgument("/usr/bin/frelt"), "/usr/bin/frelt");
    EXPECT_EQ(LoginItem::quotedExecArgument("/home/me/my apps/frelt"), "\"/home/me/my apps/frelt\"");
    EXPECT_EQ(LoginItem::quotedExecArgument("/opt/100%/frelt"), "/opt/100%%/frelt");
    EXPECT_EQ(LoginItem::quotedExecArgument("/a\"b$c"), "\"/a\\\\\"b\\\\$c\"");
    EXPECT_EQ(LoginItem::quotedExecArgument("/a\\b"), "\"/a\\\\\\\\b\"");
    EXPECT_EQ(LoginItem::quotedExecArgument(""), "\"\"");
}

}  // namespace
