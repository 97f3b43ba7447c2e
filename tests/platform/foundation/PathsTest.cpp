#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "platform/foundation/Paths.h"
#include "support/FreltTest.h"

using platform::Paths;
namespace fs = std::filesystem;

class PathsTest : public FreltTest {
protected:
    // Sets variables for one test and puts the old values back afterwards.
    void setEnv(const char* name, const char* value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name);
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    void TearDown() override {
        for (auto& [name, value] : saved_) {
            if (value) ::setenv(name.c_str(), value->c_str(), 1);
            else ::unsetenv(name.c_str());
        }
        FreltTest::TearDown();
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST_F(PathsTest, ProgramFoldersComeFromTheLayout) {
    platform::PathLayout layout;
    layout.home = "/h";
    layout.configHome = "/c";
    layout.dataHome = "/d";
    layout.cacheHome = "/k";
    layout.dataDirs = {"/s1", "/s2"};
    layout.configDirs = {"/x"};
    Paths::setLayout(layout);
    EXPECT_EQ(Paths::configFolder(), fs::path("/c/frelt"));
    EXPECT_EQ(Paths::documentsFolder(), fs::path("/d/frelt/Documents"));
    EXPECT_EQ(Paths::cacheFolder(), fs::path("/k/frelt"));
    EXPECT_EQ(Paths::applicationFolders(),
              (std::vector<fs::path>{"/d/applications", "/s1/applications", "/s2/applications"}));

    // Export folders of sandboxed packages come last, and only once.
    layout.exportDirs = {"/s2", "/var/lib/flatpak/exports/share"};
    Paths::setLayout(layout);
    EXPECT_EQ(Paths::applicationFolders(),
              (std::vector<fs::path>{"/d/applications", "/s1/applications", "/s2/applications",
                                     "/var/lib/flatpak/exports/share/applications"}));
}

TEST_F(PathsTest, TheFixtureGivesEachTestItsOwnHome) {
    EXPECT_EQ(Paths::home(), home());
    EXPECT_EQ(Paths::configFolder(), home() / ".config/frelt");
    EXPECT_TRUE(fs::is_directory(Paths::dataHome()));
}

TEST_F(PathsTest, EnvironmentWithStandardFallbacks) {
    Paths::setLayout(std::nullopt);
    setEnv("HOME", "/home/u");
    setEnv("XDG_CONFIG_HOME", "/cfg");
    setEnv("XDG_DATA_HOME", "relative/data");  // relative values are ignored
    setEnv("XDG_CACHE_HOME", "");
    setEnv("XDG_DATA_DIRS", "rel:/opt/share::/usr/share");
    setEnv("XDG_CONFIG_DIRS", nullptr);
    EXPECT_EQ(Paths::home(), fs::path("/home/u"));
    EXPECT_EQ(Paths::configHome(), fs::path("/cfg"));
    EXPECT_EQ(Paths::dataHome(), fs::path("/home/u/.local/share"));
    EXPECT_EQ(Paths::cacheHome(), fs::path("/home/u/.cache"));
    EXPECT_EQ(Paths::dataDirs(), (std::vector<fs::path>{"/opt/share", "/usr/share"}));
    EXPECT_EQ(Paths::configDirs(), (std::vector<fs::path>{"/etc/xdg"}));

    setEnv("XDG_DATA_DIRS", "only/relative");
    EXPECT_EQ(Paths::dataDirs(), (std::vector<fs::path>{"/usr/local/share", "/usr/share"}));
}

// A first sandboxed package installed while the program runs makes its
// export folder: it is a search scope before it exists.
TEST_F(PathsTest, ExportFoldersAreApplicationFoldersBeforeTheyExist) {
    Paths::setLayout(std::nullopt);
    const fs::path data = home() / "fresh-data";
    ASSERT_FALSE(fs::exists(data));
    setEnv("XDG_DATA_HOME", data.c_str());
    setEnv("XDG_DATA_DIRS", "/usr/share");
    const auto folders = Paths::applicationFolders();
    for (const fs::path& expected : {data / "flatpak/exports/share/applications",
                                    fs::path("/var/lib/flatpak/exports/share/applications")}) {
        EXPECT_NE(std::find(folders.begin(), folders.end(), expected), folders.end()) << expected;
    }
    EXPECT_FALSE(fs::exists(data)) << "listing the folders makes none";
}
